// The built site on a plain static server (python3 -m http.server: no
// isolation headers) from a sub-folder, in headless chromium. Reloads are a
// person's (location.reload: devtools' own passes by the service worker).
// The load times are printed, not checked.
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
const root = mkdtempSync(join(tmpdir(), "gyre-host-")), site = join(root, "gyre");
let server, browser, address;

before(async () => {
  cpSync(SITE, site, { recursive: true });
  server = spawn("python3", ["-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory", root],
    { stdio: ["ignore", "pipe", "ignore"] });
  const port = await new Promise((resolve, reject) => {
    setTimeout(() => reject(new Error("python3 -m http.server did not start")), 10000);
    server.stdout.on("data", (data) => String(data).replace(/port (\d+)/, (_, port) => resolve(port)));
  });
  address = `http://127.0.0.1:${port}/gyre/`;
  browser = await launchChromium();
});

after(async () => {
  await browser?.close();
  server?.kill();
  rmSync(root, { recursive: true, force: true });
});

const matches = (page, selector, pattern) => page.waitForFunction((s, p) => new RegExp(p).test(document.querySelector(s).textContent),
  WAIT, selector, pattern.source).catch(async () => assert.fail(`${selector}: "${await page.$eval(selector, (e) => e.textContent)}"`));
const shown = (page, selector) => page.$eval(selector, (element) => element.checkVisibility());
const isolated = (page) => page.evaluate(() => self.crossOriginIsolated);

// Loads the page until it awaits the person's move; how long that took.
async function load(page, how) {
  const start = performance.now();
  await (how === "reload" ? Promise.all([page.waitForNavigation(WAIT), page.evaluate(() => location.reload())]) : page.goto(address, WAIT));
  // a new version may reload the page once more as it takes over
  await matches(page, "#status", /^Your move\.$/).catch(() => matches(page, "#status", /^Your move\.$/));
  return Math.round(performance.now() - start);
}

// A new game at depth 4, 1.e4 by clicks, the engine's answer in the list.
async function playE4(page) {
  await page.select("#settings [name=strength]", "depth 4");
  await page.click("#new-game");
  await matches(page, "#status", /^Your move\.$/);
  for (const square of ["e2", "e4"]) await page.click(`#board .square[data-square="${square}"]`);
  await matches(page, "#moves", /^e4 \S+ $/);
}

test("where service workers are refused, the page plays without isolation and says so in one line", async () => {
  const page = await (await browser.createBrowserContext()).newPage();
  await page.evaluateOnNewDocument(() => {
    ServiceWorkerContainer.prototype.register = () => Promise.reject(new DOMException("refused", "SecurityError"));
  });
  await load(page);
  assert.ok(!(await isolated(page)) && (await shown(page, "#uninterruptible")) && !(await shown(page, "#move-now")));
  await playE4(page);
});

test("isolated after one reload, installable, plays 1.e4; a new version at the next visit; with the server gone, still plays", async (t) => {
  const page = await browser.newPage(); // not incognito, which chromium does not install from
  const errors = [];
  page.on("pageerror", (error) => errors.push(error.message));
  let loads = 0;
  page.on("load", () => loads++);
  const first = await load(page);
  assert.equal(loads, 2); // the reload through the service worker
  assert.ok((await isolated(page)) && !(await shown(page, "#uninterruptible")) && (await shown(page, "#move-now")));
  const cdp = await page.createCDPSession(); // chromium's own check of the manifest, icons and worker
  assert.deepEqual((await cdp.send("Page.getInstallabilityErrors")).installabilityErrors, []);
  await playE4(page);

  // the next version, as make web builds it: a file changed, the list made anew
  appendFileSync(join(site, "style.css"), "\n/* the next version */\n");
  execFileSync("node", [fileURLToPath(new URL("../precache.js", import.meta.url)), site]);
  const version = readFileSync(join(site, "sw.js"), "utf8").match(/version: "(\w+)"/)[1];
  await load(page, "reload");
  assert.equal(loads, 4); // once more, under the new version
  const css = await page.evaluate(() => fetch("style.css").then((response) => response.text()));
  assert.ok((await isolated(page)) && css.includes("the next version"));
  assert.deepEqual(await page.evaluate(() => caches.keys()), [`gyre-${version}`]);

  server.kill();
  await page.setOfflineMode(true);
  const offline = await load(page, "reload");
  assert.ok(await isolated(page));
  await playE4(page);
  assert.deepEqual(errors, []);
  t.diagnostic(`first load ${first} ms (with its reload), offline load ${offline} ms`);
});
