// The page's engine worker under node, fed through the same input ring as in
// the page: send lines, wait (always with a limit) for the line that answers.
import assert from "node:assert/strict";
import { readFile } from "node:fs/promises";
import { pathToFileURL } from "node:url";
import { Worker as NodeWorker } from "node:worker_threads";
import { createRing } from "../js/ring.js";
import { SITE } from "../serve.js";

const siteUrl = (path) => pathToFileURL(`${SITE}/${path}`).href;
const wasmBinary = await readFile(`${SITE}/engine/gyre.wasm`); // node fetches no file: URLs

// The worker globals the script uses (self and its location, postMessage,
// onmessage) on node's worker_threads.
const SHIM = `const { parentPort, workerData } = require("node:worker_threads");
  globalThis.self = Object.assign(globalThis, { location: new URL(workerData) });
  globalThis.postMessage = (message) => parentPort.postMessage(message);
  import(workerData).then(() => parentPort.on("message", (data) => globalThis.onmessage({ data })));`;

// The browser's Worker, enough to run the page's worker script. All
// are kept, to be ended after the tests even when one fails.
export class Worker {
  static all = [];
  constructor(url) {
    Worker.all.push(this);
    this.worker = new NodeWorker(SHIM, { eval: true, workerData: String(url) });
    this.worker.on("message", (data) => this.onmessage?.({ data }));
    this.worker.on("error", (error) => this.onerror?.({ message: String(error) }));
  }
  postMessage(message) {
    this.worker.postMessage({ ...message, wasmBinary });
  }
  terminate() {
    this.worker.terminate();
  }
}

// Resolves once condition() holds, checked every 10 ms; fails after ms.
async function waitUntil(condition, ms, what) {
  for (const deadline = Date.now() + ms; !condition(); await new Promise((resolve) => setTimeout(resolve, 10)))
    assert.ok(Date.now() < deadline, `${what} within ${ms} ms`);
}

// The worker fed by the input ring, or with runs, the page's link that
// starts one run per request (engine-runs.js).
export async function startEngine({ runs = false } = {}) {
  const lines = [];
  let seen = 0, ended = null, input;
  if (runs) {
    globalThis.Worker = Worker;
    const { startRuns } = await import(siteUrl("js/engine-runs.js"));
    input = startRuns((line) => lines.push(line), (error) => (ended = { error }));
  } else {
    const ring = createRing(), worker = new Worker(siteUrl("js/engine-worker.js"));
    worker.onmessage = ({ data }) => (data.line === undefined ? (ended = data) : lines.push(data.line));
    worker.onerror = (error) => (ended = error);
    worker.postMessage({ ring: ring.buffer });
    input = { send: (line) => ring.write(line + "\n"), close: () => ring.close() };
  }
  return {
    send: (...sent) => sent.forEach((line) => input.send(line)),
    // The lines up to the first after the last one waited for that matches.
    async waitFor(pattern, ms = 10000) {
      const from = seen;
      let hit = false;
      const found = () => { while (!hit && seen < lines.length) hit = pattern.test(lines[seen++]); return hit || ended; };
      await waitUntil(found, ms, `no ${pattern}`).catch((error) => { error.message += `:\n${lines.slice(from).join("\n")}`; throw error; });
      assert.ok(hit, `the engine ended (${JSON.stringify(ended)}) before ${pattern}`);
      return lines.slice(from, seen);
    },
    // The end of input ends the run; what the worker said last.
    async close() {
      input.close();
      await waitUntil(() => ended, 5000, "the end of the run");
      return ended;
    },
  };
}
