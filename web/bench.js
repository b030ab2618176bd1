// The engine's node rate in the browser: headless chromium runs the page's
// worker on one fixed-depth search and prints the last thinking line, to
// set beside the native engine's for the same lines:
//   node web/bench.js [DEPTH]    (after make web)
//   printf 'uci\nposition startpos moves e2e4\ngo depth 12\n' | (cat; sleep 60) | build/release/gyre
import { launchChromium } from "./chromium.js";
import { serve } from "./serve.js";

const depth = Number(process.argv[2] ?? 12);
const server = await serve();
const browser = await launchChromium({ protocolTimeout: 600000 });
try {
  const page = await browser.newPage();
  await page.goto(`http://127.0.0.1:${server.address().port}/js/ring.js`);
  const lines = await page.evaluate(async (depth) => {
    const { createRing } = await import("/js/ring.js");
    const ring = createRing(), worker = new Worker("/js/engine-worker.js", { type: "module" }), seen = [];
    const done = new Promise((resolve) => {
      worker.onmessage = ({ data }) => {
        seen.push(data.line ?? JSON.stringify(data));
        if (data.line?.startsWith("bestmove") || data.line === undefined) resolve();
      };
    });
    worker.postMessage({ ring: ring.buffer });
    ring.write(`uci\nposition startpos moves e2e4\ngo depth ${depth}\n`);
    await Promise.race([done, new Promise((resolve) => setTimeout(resolve, 300000))]);
    return seen.slice(-2);
  }, depth);
  console.log(lines.join("\n"));
} finally {
  await browser.close();
  server.close();
}
