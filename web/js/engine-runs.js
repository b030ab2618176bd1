// The engine where the page may not share memory with its worker (no
// cross-origin isolation: a host without the headers and no service worker).
// Nothing reaches a running search then, so every request is a run of its
// own: a fresh instance fed a finite input that replays the options and the
// position, a marker (isready), the new lines, then its end. A search ends
// by its own limits; stop ends the run at once, answering with the first
// move of the last line shown (0000 before there is one).
const ANSWERED = new Set(["uci", "isready", "go"]); // lines that start a run
const DROPPED = new Set(["stop", "ponderhit", "ucinewgame", "quit"]); // nothing to replay

export function startRuns(receive, onFail) {
  const options = new Map(); // setoption lines by name, the latest of each
  let position = null, queue = [], worker = null, running = false, marked = false;
  let searching = 0, best = "0000"; // the run's searches not yet answered; its best move so far

  function spawn() {
    const spawned = new Worker(new URL("./engine-worker.js", import.meta.url), { type: "module" });
    spawned.onmessage = ({ data }) => {
      if (spawned !== worker) return; // a run ended by stop says no more
      if (data.error !== undefined) return onFail(data.error);
      if (data.exit !== undefined) {
        running = false;
        return next();
      }
      if (!marked) {
        marked = data.line === "readyok"; // the replay's answers end here
        return;
      }
      const pv = data.line.match(/^info .* pv (\S+)/);
      if (pv && !/ multipv (?!1 )/.test(data.line)) best = pv[1]; // the first line's
      if (data.line.startsWith("bestmove ")) searching--;
      receive(data.line);
    };
    spawned.onerror = (event) => onFail(event.message || "the engine's worker did not start");
    return spawned;
  }

  function remember(line) {
    const [word, ...rest] = line.split(/\s+/);
    if (word === "position") position = line;
    if (word === "setoption") options.set(rest.join(" ").replace(/\s+value\s.*$/, "").toLowerCase(), line);
  }

  function next() {
    if (running || !queue.some((line) => ANSWERED.has(line.split(" ")[0]))) return;
    const replay = ["uci", ...options.values(), ...(position ? [position] : []), "isready"];
    queue.forEach(remember);
    [running, marked, best] = [true, false, "0000"];
    searching = queue.filter((line) => line.startsWith("go")).length;
    worker ??= spawn();
    worker.postMessage({ input: [...replay, ...queue, ""].join("\n") });
    queue = [];
  }

  return {
    interruptible: false,
    send(line) {
      const word = line.split(" ")[0];
      const queued = queue.findIndex((line) => line.startsWith("go"));
      if (word === "stop" && running && searching > 0) {
        worker.terminate();
        [worker, running] = [null, false];
        receive(`bestmove ${best}`);
      } else if (word === "stop" && queued >= 0) {
        queue.splice(queued, 1); // a search not begun: no move yet
        receive("bestmove 0000");
      }
      if (!DROPPED.has(word)) queue.push(line);
      queueMicrotask(next); // the lines sent together make one run
    },
  };
}
