// The page in Debian's chromium, headless, served cross-origin isolated:
// moves by clicking, the engine's replies, promotion, a mate, a new game
// during a search, a reload, levels, takebacks, hints, the analysis board
// and the stored games. Every wait has a limit; screenshots of a game and
// of the analysis board, at 1280 x 900 and 390 x 844, go to build/web-test.
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
// list (or of the moves given) played from fen; returns that game.
async function settle(page, fen = undefined, moves = null) {
  const chess = new Chess(fen);
  moves ??= (await text(page, "#moves")).split(" ").filter((word) => word && word !== "…");
  for (const san of moves) chess.move(san);
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
  await newGame(page, { strength: "1200" });
  await clickSquares(page, "e2", "e4");
  await waitText(page, "#moves", /^e4 \S+ $/);
  const chess = await settle(page);
  assert.match(await text(page, "#line"), /\S/);
  await (await page.$("#board-area")).screenshot({ path: ARTIFACTS + "board.png" });

  await page.reload(WAIT);
  await status(page, /^Your move\.$/);
  assert.equal(await text(page, "#moves"), `${chess.history().join(" ")} `);
  await settle(page);
  assert.equal(await page.$eval("#settings [name=strength]", (select) => select.value), "1200");
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
  assert.ok(await page.$("#board .marker-circle-danger"), "the king in check is marked");
  assert.ok(await page.$eval("#result", (banner) => banner.checkVisibility()));
  await page.click("#copy-pgn");
  await status(page, /copied/);
  const pgn = await page.evaluate(() => navigator.clipboard.readText());
  for (const tag of ["Event", "Date", "White", "Black", "TimeControl"]) assert.match(pgn, new RegExp(`\\[${tag} "[^"]+"\\]`));
  assert.match(pgn, /\[Result "1-0"\]\n.*\[FEN "8\/6k1\/1R6\/8\/8\/8\/8\/R1K5 w - - 0 1"\]/s);
  assert.match(pgn, /1\. Ra7\+ K[fgh]8 2\. Rb8# .*1-0$/s);

  // kept after a reload: reopened, evaluated move by move, its PGN with the scores
  await page.reload(WAIT);
  await waitText(page, "#finished", /1-0 · 2 moves/);
  await page.click("#finished button");
  await waitText(page, "#analysis-moves", /^Ra7\+ K[fgh]8 Rb8# $/);
  await page.click("#evaluate");
  await waitText(page, "#evaluate", /^Evaluate the game$/);
  assert.ok(await page.$("#graph svg polygon"));
  assert.match(await page.$eval("#analysis-pgn", (box) => box.value),
    /1\. Ra7\+ \{\+M1\/\d+\} K[fgh]8 \{\+M1\/\d+\} 2\. Rb8# \{Checkmate: White wins\.\} 1-0$/);
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
  await newGame(page, { strength: "800" });
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
  await page.screenshot({ path: ARTIFACTS + "game-390x844.png" });
});

// The lines the page sent the engine, as the bridge keeps them.
const sent = (page) => page.evaluate(() => import("./js/engine.js").then((bridge) => bridge.sentLines));

// The squares of the hint's arrow, once it is drawn.
async function arrow(page) {
  await page.waitForSelector("#board [data-arrow]", WAIT);
  return page.$eval("#board [data-arrow]", (element) => element.dataset.arrow);
}

test("levels by Elo (an old depth migrated), takebacks during the search and after the answer, a hint", async () => {
  // a game saved by a page that named strengths by depth
  const page = await open("", { width: 1280, height: 900 });
  await page.goto(address + "LICENSE.txt", WAIT); // (no page of ours to save over it on the way)
  await page.evaluate(() => localStorage.setItem("gyre.game", JSON.stringify({
    fen: "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", moves: ["e2e4", "e7e5"], human: "w",
    control: "10+5", strength: "depth 8", clock: { w: 600000, b: 600000 }, result: null, date: "2026.12.01",
  })));
  await page.goto(address, WAIT);
  await status(page, /^Your move\.$/);
  assert.equal(await text(page, "#clock-top .player"), "Black: gyre 1600");
  assert.equal(await page.$eval("#settings [name=strength]", (select) => select.value), "1600");

  await newGame(page, { control: "10+5", strength: "full" });
  await clickSquares(page, "e2", "e4");
  await waitText(page, "#depth", /depth/);
  await page.click("#takeback"); // while gyre thinks: its answer never comes
  await waitText(page, "#moves", /^$/);
  await clickSquares(page, "d2", "d4");
  await waitText(page, "#depth", /depth/);
  await page.click("#move-now");
  await waitText(page, "#moves", /^d4 \S+ $/);
  assert.ok((await sent(page)).includes("setoption name UCI_LimitStrength value false"));

  await newGame(page, { strength: "1400" });
  const before = await settle(page);
  await clickSquares(page, "e2", "e4");
  await waitText(page, "#moves", /^e4 \S+ $/);
  assert.deepEqual((await sent(page)).filter((line) => line.startsWith("setoption")).slice(-2),
    ["setoption name UCI_LimitStrength value true", "setoption name UCI_Elo value 1400"]);
  assert.match(await page.$eval("#pgn", (box) => box.value), /\[BlackElo "1400"\]/);
  await page.click("#takeback");
  await waitText(page, "#moves", /^$/);
  assert.equal((await settle(page)).fen(), before.fen());

  await clickSquares(page, "g1", "f3");
  await waitText(page, "#moves", /^Nf3 \S+ $/);
  const chess = await settle(page);
  for (const hints of ["level", "full"]) {
    await page.select("#settings [name=hints]", hints);
    await page.click("#hint");
    await status(page, /^Hint: /);
    const move = await arrow(page);
    assert.ok(chess.moves({ verbose: true }).some((legal) => legal.from + legal.to === move.slice(0, 4)), move);
    assert.equal(await text(page, "#status"), `Hint: ${chess.move({ from: move.slice(0, 2), to: move.slice(2) }).san}`);
    chess.undo();
  }
  await page.screenshot({ path: ARTIFACTS + "game-1280x900.png" });
  assert.deepEqual(page.errors, []);
});

test("the analysis board on a pasted PGN: three different lines, stepping back moves the analysis, a branch", async () => {
  const page = await open("", { width: 1280, height: 900 });
  await page.type("#position-text", "1. e4 e5 2. Nf3 Nc6 *");
  await page.click("#analyse-position");
  await page.select("[name=lines]", "3");
  const lines = async (chess) => {
    await page.waitForFunction(() => document.querySelectorAll("#lines li").length === 3, WAIT);
    const first = await page.$$eval("#lines li", (items) => items.map((item) => item.dataset.move));
    assert.equal(new Set(first).size, 3, first.join(" "));
    for (const san of first) assert.ok(chess.moves().includes(san), san);
  };
  await lines(new Chess("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3"));

  await page.keyboard.press("ArrowLeft");
  await lines(await settle(page, undefined, ["e4", "e5", "Nf3"]));
  const last = (await sent(page)).filter((line) => /^(position|go)/.test(line)).slice(-2);
  assert.deepEqual(last, [`position fen ${new Chess().fen()} moves e2e4 e7e5 g1f3`, "go infinite"]);

  await clickSquares(page, "d7", "d6");
  await waitText(page, "#analysis-moves", /^e4 e5 Nf3 d6 $/);
  assert.ok(await page.$eval("#back-to-game", (button) => button.checkVisibility()));
  await waitText(page, "#analysis-depth", /depth ([89]|\d\d)/); // (for the pictures)
  await page.screenshot({ path: ARTIFACTS + "analysis-1280x900.png" });
  await page.setViewport({ width: 390, height: 844 }); // (as a phone, the page would reload)
  await page.waitForFunction(() => document.querySelector("#board svg").getBoundingClientRect().width <= 390, WAIT);
  await page.screenshot({ path: ARTIFACTS + "analysis-390x844.png" });
  assert.deepEqual(page.errors, []);
});
