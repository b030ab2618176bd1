// The engine's worker under node, fed through the same input ring as in the
// page: send lines, wait (always with a limit) for the line that answers.
import { Worker } from "node:worker_threads";
import { readFile } from "node:fs/promises";
import { pathToFileURL } from "node:url";
import { join } from "node:path";
import { createRing } from "../js/ring.js";
import { SITE } from "../serve.js";

export async function startEngine() {
  const ring = createRing();
  const worker = new Worker(new URL("./worker-shim.js", import.meta.url), {
    workerData: pathToFileURL(join(SITE, "js/engine-worker.js")).href,
  });
  const lines = [];
  let seen = 0, wake = () => {}, exit;
  worker.on("message", (message) => {
    if (message.line !== undefined) lines.push(message.line);
    else exit = message;
    wake();
  });
  worker.on("error", (error) => { exit = { error: String(error) }; wake(); });
  worker.postMessage({ ring: ring.buffer, wasmBinary: await readFile(join(SITE, "engine/gyre.wasm")) });
  return {
    lines,
    send: (...sent) => sent.forEach((line) => ring.write(line + "\n")),
    // The first line after the last one waited for that matches; every line
    // read on the way is returned too.
    async waitFor(pattern, ms = 10000) {
      const deadline = Date.now() + ms, from = seen;
      for (;;) {
        while (seen < lines.length) if (pattern.test(lines[seen++])) return lines.slice(from, seen);
        if (exit) throw new Error(`engine ended (${JSON.stringify(exit)}) waiting for ${pattern}`);
        const left = deadline - Date.now();
        if (left <= 0) throw new Error(`no ${pattern} within ${ms} ms; got:\n${lines.slice(from).join("\n")}`);
        await new Promise((resolve) => { wake = resolve; setTimeout(resolve, left); });
      }
    },
    async close(ms = 5000) {
      ring.close();
      const deadline = Date.now() + ms;
      while (!exit && Date.now() < deadline) await new Promise((resolve) => { wake = resolve; setTimeout(resolve, 50); });
      await worker.terminate();
      return exit;
    },
  };
}
