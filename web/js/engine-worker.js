// The engine's Web Worker: runs the WebAssembly build's main loop and posts
// every line it prints, then how it ended. Its input is either the ring the
// page shares ({ ring }: the run lasts as long as the page, which reaches it
// through the ring alone, since the loop blocks this worker's only thread),
// or a finite text ({ input }: one run per message, each a fresh instance of
// the module compiled once).
import createGyre from "../engine/gyre.js";
import { openRing } from "./ring.js";

let compiled = null;

// Fetched, not streamed: a static host may send .wasm with any type.
function compile(wasmBinary) {
  const binary = wasmBinary ?? fetch(new URL("../engine/gyre.wasm", import.meta.url)).then((response) => {
    if (!response.ok) throw new Error(`gyre.wasm: HTTP ${response.status}`);
    return response.arrayBuffer();
  });
  return Promise.resolve(binary).then((bytes) => WebAssembly.compile(bytes));
}

// The end of a finite input does not reach into a search: nothing is ever
// waiting, so a search ends by its own limits and the lines after go are
// read once it has printed bestmove.
function textInput(text) {
  const bytes = new TextEncoder().encode(text);
  let at = 0;
  return { next: () => (at < bytes.length ? bytes[at++] : -1), waiting: () => false };
}

globalThis.onmessage = async ({ data }) => {
  try {
    compiled ??= compile(data.wasmBinary); // node has no fetch for files: the tests send it
    const module = await compiled;
    const engine = await createGyre({
      input: data.ring ? openRing(data.ring) : textInput(data.input),
      print: (line) => postMessage({ line }),
      printErr: (line) => postMessage({ line }),
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(module, imports).then((instance) => receive(instance, module),
          (error) => postMessage({ error: String(error) }));
        return {};
      },
    });
    postMessage({ exit: engine.callMain([]) });
  } catch (error) {
    postMessage({ error: String(error) });
  }
};
