// The bridge to the engine: a worker running the WebAssembly build, lines in
// through the input ring (they reach even a running search), lines out by
// message; or, where the page is not cross-origin isolated and so has no
// shared memory, one run of the engine per request (engine-runs.js). On top,
// the UCI the page needs: the handshake, one search at a time, and a
// search's answer dropped once the page no longer wants it.
import { createRing } from "./ring.js";
import { startRuns } from "./engine-runs.js";

export function startEngine({ onReady, onInfo, onBestMove, onMessage, onFail }) {
  let name = "gyre", started = 0, answered = 0, wanted = 0;
  const receive = (line) => {
    const [word, ...rest] = line.split(" ");
    if (word === "id" && rest[0] === "name") name = rest.slice(1).join(" ");
    else if (word === "readyok") onReady(name);
    else if (word === "bestmove" && ++answered === wanted) onBestMove(rest[0]);
    else if (word === "info" && rest[0] === "string") onMessage(rest.slice(1).join(" "));
    else if (word === "info" && answered === wanted - 1) onInfo(parseInfo(rest));
  };
  const link = self.crossOriginIsolated ? sharedInput(receive, onFail) : startRuns(receive, onFail);
  const send = (line) => {
    keep(line);
    link.send(line);
  };
  send("uci");
  send("isready");

  const stop = () => answered < started && send("stop");
  return {
    // false without shared memory: a search ends by its own limits (no
    // ponder, ponderhit does not reach it), and a stop ends it with the
    // first move of its last line
    interruptible: link.interruptible,
    // position and go; the answer comes to onBestMove unless cancelled
    search(fen, moves, go) {
      send(`position fen ${fen}${moves.length ? " moves " + moves.join(" ") : ""}`);
      send(`go ${go}`);
      wanted = ++started;
    },
    stop, // play the best move so far
    cancel() {
      wanted = 0;
      stop();
    },
    newGame() {
      this.cancel();
      send("ucinewgame");
    },
    ...withOptions(send),
  };
}

// The engine for the page's whole stay, its input in a shared ring.
function sharedInput(receive, onFail) {
  const ring = createRing();
  const worker = new Worker(new URL("./engine-worker.js", import.meta.url), { type: "module" });
  worker.onmessage = ({ data }) =>
    data.line === undefined ? onFail(data.error ?? `the engine stopped (exit code ${data.exit})`) : receive(data.line);
  worker.onerror = (event) => onFail(event.message || "the engine's worker did not start");
  worker.postMessage({ ring: ring.buffer });
  return { interruptible: true, send: (line) => ring.write(line + "\n") || onFail("the engine's input is full") };
}

// ---- options, and the lines the page sent ----

// The last lines sent to the engine, oldest first: for the tests, and for
// a look from the browser's console.
export const sentLines = [];
function keep(line) {
  sentLines.push(line);
  if (sentLines.length > 200) sentLines.shift();
}

// setOption sends an option only when its value changes. Sent while a
// search runs, the engine ends that search first.
function withOptions(send) {
  const values = new Map();
  return {
    setOption(name, value) {
      if (values.get(name) === String(value)) return;
      values.set(name, String(value));
      send(`setoption name ${name} value ${value}`);
    },
  };
}

// "depth 9 seldepth 14 multipv 2 score cp -12 lowerbound nodes 1997468 ... pv e7e5 g1f3"
export function parseInfo(words) {
  const info = { pv: [] };
  for (let i = 0; i < words.length; i++) {
    const word = words[i];
    if (word === "pv") {
      info.pv = words.slice(i + 1);
      break;
    }
    if (word === "score") {
      info[words[i + 1]] = Number(words[i + 2]); // cp or mate
      i += 2;
    } else if (word === "lowerbound" || word === "upperbound") {
      info.bound = word;
    } else if (["depth", "seldepth", "multipv", "nodes", "nps", "hashfull", "time"].includes(word)) {
      info[word] = Number(words[++i]);
    }
  }
  return info;
}
