// Standard input of the engine's worker: a byte ring in a SharedArrayBuffer.
// The page writes lines; the engine reads them, even from inside a running
// search. Header words: bytes written, bytes read, closed, wake-ups (what a
// waiting reader sleeps on, so no wake-up is lost).
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
    // The engine's side: the next byte, sleeping while the ring is empty;
    // -1 once it is closed and read.
    next() {
      for (;;) {
        const wakeups = Atomics.load(header, 3);
        const written = Atomics.load(header, 0), read = header[1];
        if (written !== read) {
          const byte = data[read & (data.length - 1)];
          Atomics.store(header, 1, (read + 1) | 0);
          return byte;
        }
        if (Atomics.load(header, 2)) return -1;
        Atomics.wait(header, 3, wakeups);
      }
    },
    // a byte, or the end, is there to be read
    waiting: () => Atomics.load(header, 0) !== header[1] || Atomics.load(header, 2) === 1,
  };
}
