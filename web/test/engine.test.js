// The engine's worker under node, spoken to in UCI through the page's input
// ring: lines reach it while it searches.
import { after, test } from "node:test";
import assert from "node:assert/strict";
import { Chess } from "chess.js";
import { parseInfo } from "../js/engine.js";
import { parseMove } from "../js/game.js";
import { startEngine, Worker } from "./engine-process.js";

const AFTER_E4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1";

async function uciEngine() {
  const engine = await startEngine();
  engine.send("uci");
  await engine.waitFor(/^uciok$/);
  return engine;
}

after(() => Promise.all(Worker.all.map((worker) => worker.worker.terminate())));

const bestmove = (lines) => lines.at(-1).split(" ")[1];

test("handshake: identity, uciok, readyok; the end of input ends the run", async () => {
  const engine = await startEngine();
  engine.send("uci", "isready");
  const lines = await engine.waitFor(/^readyok$/);
  assert.match(lines[0], /^id name gyre \d+\.\d+\.\d+$/);
  assert.deepEqual(await engine.close(), { exit: 0 });
});

test("a search on the clock ends by itself with a legal move; its lines read as the page reads them", async () => {
  const engine = await uciEngine();
  engine.send("position startpos moves e2e4", "go wtime 2000 btime 2000 winc 100 binc 100");
  const lines = await engine.waitFor(/^bestmove /);
  const infos = lines.filter((line) => line.startsWith("info depth")).map((line) => parseInfo(line.split(" ").slice(1)));
  assert.ok(infos.length > 3);
  infos.forEach((info, i) => {
    assert.ok(info.depth >= (infos[i - 1]?.depth ?? 1) && Number.isInteger(info.cp) && info.nodes > 0);
    const line = new Chess(AFTER_E4);
    assert.ok(info.pv.every((move) => parseMove(line, move)), `illegal line ${info.pv}`);
  });
  assert.equal(infos.at(-1).pv[0], bestmove(lines));
  assert.ok(parseMove(new Chess(AFTER_E4), bestmove(lines)));
  await engine.close();
});

test("during a search isready is answered at once, and ponderhit reaches it", async () => {
  const engine = await uciEngine();
  engine.send("position startpos moves e2e4", "go ponder wtime 1000 btime 1000");
  await engine.waitFor(/^info depth 6 /);
  engine.send("isready");
  assert.ok(!(await engine.waitFor(/^readyok$/)).some((line) => line.startsWith("bestmove")));
  engine.send("ponderhit"); // now the clock runs
  assert.ok(parseMove(new Chess(AFTER_E4), bestmove(await engine.waitFor(/^bestmove /, 3000))));
  await engine.close();
});

test("without shared memory, one run per request: options and position replayed, a search ends by its own clock, stop by the last line's move", async () => {
  const engine = await startEngine({ runs: true });
  engine.send("uci", "isready");
  assert.match((await engine.waitFor(/^readyok$/))[0], /^id name gyre /);
  engine.send("setoption name MultiPV value 2", "position startpos moves e2e4", "go wtime 1000 btime 1000");
  for (const lines of [await engine.waitFor(/^bestmove /), (engine.send("go depth 3"), await engine.waitFor(/^bestmove /))])
    assert.ok(lines.some((line) => / multipv 2 /.test(line)) && parseMove(new Chess(AFTER_E4), bestmove(lines)));
  engine.send("position startpos", "go infinite");
  const lines = await engine.waitFor(/^info depth 6 /);
  engine.send("stop");
  lines.push(...(await engine.waitFor(/^bestmove /)));
  const shown = lines.filter((line) => / pv /.test(line) && !/ multipv [^1] /.test(line)).at(-1);
  assert.equal(bestmove(lines), shown.match(/ pv (\S+)/)[1]);
  assert.ok(parseMove(new Chess(), bestmove(lines)));
});
