// The engine's Web Worker: runs the WebAssembly build's main loop, reading
// the input ring that the page sends first and posting every line it prints.
// The main loop blocks this worker's only thread for the whole run; the page
// reaches it through the ring alone.
import createGyre from "../engine/gyre.js";
import { openRing } from "./ring.js";

globalThis.onmessage = async ({ data }) => {
  try {
    const engine = await createGyre({
      inputRing: openRing(data.ring),
      print: (line) => postMessage({ line }),
      printErr: (line) => postMessage({ line }),
      wasmBinary: data.wasmBinary, // node has no fetch for files; the browser fetches
    });
    postMessage({ exit: engine.callMain([]) });
  } catch (error) {
    postMessage({ error: String(error) });
  }
};
