// Runs the page's engine worker under node's worker_threads, which have no
// worker globals: self, its location, postMessage and onmessage.
import { parentPort, workerData } from "node:worker_threads";

globalThis.self = Object.assign(globalThis, { location: new URL(workerData) });
globalThis.postMessage = (message) => parentPort.postMessage(message);
await import(workerData);
parentPort.on("message", (data) => globalThis.onmessage({ data }));
