// The built site on a plain static server (python3 -m http.server, no
// isolation headers) from a sub-folder, in headless chromium: the service
// worker makes the page isolated after one reload, and keeps it playing with
// the server gone; where service workers are refused it plays without
// isolation. Reloads are a person's (location.reload: devtools' own passes
// by the service worker). The load times are printed, not checked.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync, spawn } from "node:child_process";
import { appendFileSync, cpSync, mkdtempSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { fileURLToPath } from "node:url";
import { launchChromium } from "../chromium.js";
import { SITE } from "../serve.js";

const WAIT = { timeout: 20000 };
const root = mkdtempSync(join(tmpdir(), "gyre-host-"));
let server, browser, address;

before(async () => {
  cpSync(SITE, join(root, "gyre"), { recursive: true });
  server = spawn("python3", ["-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory", root],
    { stdio: ["ignore", "pipe", "ignore"] });
  const port = await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error("python3 -m http.server did not start")), 10000);
    server.stdout.on("data", (data) => {
      const found = String(data).match(/port (\d+)/);
      if (found) resolve(found[1], clearTimeout(timer));
    });
  });
  address = `http://127.0.0.1:${port}/gyre/`;
  browser = await launchChromium();
});

after(async () => {
  await browser?.close();
  server?.kill();
  rmSync(root, { recursive: true, force: true });
});

const status = (page, pattern) => page.waitForFunction((p) => new RegExp(p).test(document.querySelector("#status").textContent),
  WAIT, pattern.source).catch(async () => assert.fail(`status "${await page.$eval("#status", (s) => s.textContent)}", not ${pattern}`));

// Loads the page until it awaits the person's move; the time that took.
async function load(page, go) {
  const start = performance.now();
  await go();
  await status(page, /^Your move\.$/);
  return Math.round(performance.now() - start);
}

// A fresh game at depth 4, 1.e4 by clicks; the engine's answer in the list.
async function playE4(page) {
  await page.select("#settings [name=strength]", "depth 4");
  await page.click("#new-game");
  await status(page, /^Your move\.$/);
  for (const square of ["e2", "e4"]) await page.click(`#board .square[data-square="${square}"]`);
  await page.waitForFunction(() => /^e4 \S+ $/.test(document.querySelector("#moves").textContent), WAIT);
}

const isolated = (page) => page.evaluate(() => self.crossOriginIsolated);
const shown = (page, selector) => page.$eval(selector, (element) => element.checkVisibility());

test("where service workers are refused, the page plays without isolation and says so in one line", async () => {
  const page = await (await browser.createBrowserContext()).newPage();
  await page.evaluateOnNewDocument(() => {
    ServiceWorkerContainer.prototype.register = () => Promise.reject(new DOMException("refused", "SecurityError"));
  });
  await load(page, () => page.goto(address, WAIT));
  assert.equal(await isolated(page), false);
  assert.ok(await shown(page, "#uninterruptible"));
  assert.ok(!(await shown(page, "#move-now")));
  await playE4(page);
});

// A new version of the site, as make web would build it: one changed file,
// the service worker's list made anew. Its version.
function rebuild() {
  const site = join(root, "gyre");
  appendFileSync(join(site, "style.css"), "\n/* the next version */\n");
  execFileSync("node", [fileURLToPath(new URL("../precache.js", import.meta.url)), site]);
  return readFileSync(join(site, "sw.js"), "utf8").match(/version: "(\w+)"/)[1];
}

test("from a sub-folder of a plain server: isolated after one reload, plays 1.e4; a new version at the next visit; with the server gone, still plays", async (t) => {
  const page = await (await browser.createBrowserContext()).newPage();
  page.errors = [];
  page.on("pageerror", (error) => page.errors.push(error.message));
  let loads = 0;
  page.on("load", () => loads++);
  const first = await load(page, () => page.goto(address, WAIT));
  assert.equal(loads, 2); // the reload through the service worker
  assert.ok(await isolated(page));
  assert.ok(!(await shown(page, "#uninterruptible")) && (await shown(page, "#move-now")));
  await playE4(page);

  const version = rebuild();
  const reload = () => Promise.all([page.waitForNavigation(WAIT), page.evaluate(() => location.reload())]);
  await load(page, reload); // and once more, under the new version
  assert.equal(loads, 4);
  const css = await page.evaluate(() => fetch("style.css").then((response) => response.text()));
  assert.ok(await isolated(page) && css.includes("the next version"));
  assert.deepEqual(await page.evaluate(() => caches.keys()), [`gyre-${version}`]);

  server.kill();
  await page.setOfflineMode(true);
  const offline = await load(page, reload);
  assert.ok(await isolated(page));
  await playE4(page);
  assert.equal(loads, 5);
  assert.deepEqual(page.errors, []);
  t.diagnostic(`first load ${first} ms (with its reload), offline load ${offline} ms`);
});
