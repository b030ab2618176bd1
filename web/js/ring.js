// Standard input of the engine's worker: a byte ring in a SharedArrayBuffer.
// The page writes lines; the engine (engine/system_web.cpp) reads them, even
// from inside a running search. Header words: bytes written, bytes read,
// closed, wake-ups (what a waiting reader sleeps on, so no wake-up is lost).
const HEADER_BYTES = 16;

export function createRing(size = 1 << 16) {
  const buffer = new SharedArrayBuffer(HEADER_BYTES + size);
  return { buffer, ...openRing(buffer) };
}

export function openRing(buffer) {
  const header = new Int32Array(buffer, 0, 4);
  const data = new Uint8Array(buffer, HEADER_BYTES);
  const wake = () => {
    Atomics.add(header, 3, 1);
    Atomics.notify(header, 3);
  };
  return {
    header,
    data,
    // Writes the bytes whole or not at all; false when they do not fit.
    write(text) {
      const bytes = new TextEncoder().encode(text);
      const written = Atomics.load(header, 0);
      if (bytes.length > data.length - ((written - Atomics.load(header, 1)) | 0)) return false;
      bytes.forEach((byte, i) => { data[(written + i) & (data.length - 1)] = byte; });
      Atomics.store(header, 0, (written + bytes.length) | 0);
      wake();
      return true;
    },
    close() {
      Atomics.store(header, 2, 1);
      wake();
    },
  };
}
