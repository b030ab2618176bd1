// The page in Debian's chromium, headless, served cross-origin isolated:
// moves by clicking, the engine's replies, promotion, a mate, a new game
// during a search, a reload. Every wait has a limit; screenshots of the
// board and of a phone-sized page go to build/web-test.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { mkdirSync } from "node:fs";
import { fileURLToPath } from "node:url";
import { Chess } from "chess.js";
import { launchChromium } from "../chromium.js";
import { serve, SITE } from "../serve.js";

const ARTIFACTS = fileURLToPath(new URL("../../build/web-test/", import.meta.url));
const WAIT = { timeout: 15000 };
let server, browser, address;

before(async () => {
  mkdirSync(ARTIFACTS, { recursive: true });
  server = await serve();
  address = `http://127.0.0.1:${server.address().port}/`;
  browser = await launchChromium();
});

after(async () => {
  await browser?.close();
  server?.close();
});

// A fresh page with its own storage; script errors are collected.
async function open(path = "", viewport = { width: 1000, height: 800 }) {
  const context = await browser.createBrowserContext();
  await context.overridePermissions(new URL(address).origin, ["clipboard-read", "clipboard-sanitized-write"]);
  const page = await context.newPage();
  page.errors = [];
  page.on("pageerror", (error) => page.errors.push(error.message));
  await page.setViewport(viewport);
  await page.goto(address + path, WAIT);
  await status(page, /^Your move\.$/);
  return page;
}

const text = (page, selector) => page.$eval(selector, (element) => element.textContent);
const status = (page, pattern) => waitText(page, "#status", pattern);

async function waitText(page, selector, pattern) {
  await page.waitForFunction((s, p) => new RegExp(p).test(document.querySelector(s).textContent),
    WAIT, selector, pattern.source).catch(async () =>
    assert.fail(`${selector} never matched ${pattern}: "${await text(page, selector)}"`));
}

async function clickSquares(page, ...squares) {
  for (const square of squares) await page.click(`#board .square[data-square="${square}"]`);
}

// Waits until the board, its animations over, shows the game of the move
// list played from fen; returns that game.
async function settle(page, fen = undefined) {
  const chess = new Chess(fen);
  for (const san of (await text(page, "#moves")).split(" ").filter((word) => word && word !== "…")) chess.move(san);
  const want = chess.board().flat().filter(Boolean).map((p) => `${p.color}${p.type}@${p.square}`).sort().join(" ");
  const shown = () => [...document.querySelectorAll("#board g[data-square][data-piece]")]
    .map((g) => `${g.dataset.piece}@${g.dataset.square}`).sort().join(" ");
  await page.waitForFunction(`(${shown})() === ${JSON.stringify(want)}`, WAIT).catch(async () =>
    assert.equal(await page.evaluate(shown), want, "the board never showed the game"));
  return chess;
}

async function newGame(page, settings) {
  for (const [name, value] of Object.entries(settings)) await page.select(`#settings [name=${name}]`, value);
  await page.click("#new-game");
  await status(page, /^Your move\.$/);
}

test("1.e4 by clicking, the engine's reply on the board and in the list; the game survives a reload", async () => {
  const page = await open();
  await newGame(page, { strength: "depth 4" });
  await clickSquares(page, "e2", "e4");
  await waitText(page, "#moves", /^e4 \S+ $/);
  const chess = await settle(page);
  assert.match(await text(page, "#line"), /\S/);
  await (await page.$("#board-area")).screenshot({ path: ARTIFACTS + "board.png" });

  await page.reload(WAIT);
  await status(page, /^Your move\.$/);
  assert.equal(await text(page, "#moves"), `${chess.history().join(" ")} `);
  await settle(page);
  assert.equal(await page.$eval("#settings [name=strength]", (select) => select.value), "depth 4");
  assert.deepEqual(page.errors, []);
});

test("a pawn promoted to a knight by the person", async () => {
  const page = await open("#fen=4k3/1P5p/8/8/8/8/8/4K3%20w%20-%20-%200%201");
  await clickSquares(page, "b7", "b8");
  await page.waitForSelector('.promotion-dialog-button[data-piece="wn"]', WAIT);
  await page.click('.promotion-dialog-button[data-piece="wn"]');
  await waitText(page, "#moves", /^b8=N \S+ $/);
  await settle(page, "4k3/1P5p/8/8/8/8/8/4K3 w - - 0 1");
  assert.deepEqual(page.errors, []);
});

test("a forced mate from a position in the address: result on the board, in words and in the PGN", async () => {
  const page = await open("#fen=8/6k1/1R6/8/8/8/8/R1K5%20w%20-%20-%200%201");
  await clickSquares(page, "a1", "a7");
  await waitText(page, "#moves", /^Ra7\+ K[fgh]8 $/);
  await settle(page, "8/6k1/1R6/8/8/8/8/R1K5 w - - 0 1");
  await clickSquares(page, "b6", "b8");
  await status(page, /^Checkmate: White wins\.$/);
  assert.equal(await text(page, "#result"), "1-0\nCheckmate: White wins.");
  assert.ok(await page.$eval("#result", (banner) => banner.checkVisibility()));
  await page.click("#copy-pgn");
  await status(page, /copied/);
  const pgn = await page.evaluate(() => navigator.clipboard.readText());
  for (const tag of ["Event", "Date", "White", "Black", "TimeControl"]) assert.match(pgn, new RegExp(`\\[${tag} "[^"]+"\\]`));
  assert.match(pgn, /\[Result "1-0"\]\n.*\[FEN "8\/6k1\/1R6\/8\/8\/8\/8\/R1K5 w - - 0 1"\]/s);
  assert.match(pgn, /1\. Ra7\+ K[fgh]8 2\. Rb8# .*1-0$/s);
  assert.deepEqual(page.errors, []);
});

test("move now plays at once; a new game during a search drops that search's answer", async () => {
  const page = await open();
  await newGame(page, { control: "10+5", strength: "full" });
  await clickSquares(page, "e2", "e4");
  await waitText(page, "#depth", /depth/);
  await page.click("#move-now");
  await waitText(page, "#moves", /^e4 \S+ $/); // long before its 10 s target
  await settle(page);

  await clickSquares(page, "d2", "d4");
  await waitText(page, "#depth", /depth/);
  await page.click("#new-game");
  await waitText(page, "#moves", /^$/);
  await newGame(page, { strength: "depth 1" });
  await settle(page);
  await clickSquares(page, "g1", "f3");
  await waitText(page, "#moves", /^Nf3 \S+ $/);
  assert.deepEqual(page.errors, []);
});

test("opened as a file, where modules cannot load, the page says how to serve it", async () => {
  const page = await (await browser.createBrowserContext()).newPage();
  await page.goto(`file://${SITE}/index.html`, WAIT);
  await page.waitForSelector("#no-engine:not([hidden])", WAIT);
  assert.match(await text(page, "#no-engine"), /opened as a file.*python3 -m http\.server/s);
  assert.ok(!(await page.$eval("#app", (main) => main.checkVisibility())));
});

test("on a phone-sized screen the board fits the width and takes moves by two taps", async () => {
  const page = await open("", { width: 390, height: 844, isMobile: true, hasTouch: true });
  for (const square of ["e2", "e4"]) await page.tap(`#board .square[data-square="${square}"]`);
  await waitText(page, "#moves", /^e4 \S+ $/);
  await settle(page);
  const box = await (await page.$("#board")).boundingBox();
  assert.ok(box.x >= 0 && box.x + box.width <= 390 && box.width > 340, JSON.stringify(box));
  assert.ok((await (await page.$("#clock-bottom")).boundingBox()).y < 844);
  await page.screenshot({ path: ARTIFACTS + "phone.png" });
});
