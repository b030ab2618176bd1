// The engine's worker under node, spoken to in UCI through the page's input
// ring: lines reach it while it searches.
import { test } from "node:test";
import assert from "node:assert/strict";
import { Chess } from "chess.js";
import { parseInfo } from "../js/engine.js";
import { parseMove } from "../js/game.js";
import { startEngine } from "./engine-process.js";

const MATE_IN_ONE = "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1";

async function uciEngine() {
  const engine = await startEngine();
  engine.send("uci");
  await engine.waitFor(/^uciok$/);
  return engine;
}

const bestmove = (lines) => lines.at(-1).split(" ")[1];

test("handshake: identity, options, uciok, readyok; the end of input ends the run", async () => {
  const engine = await startEngine();
  engine.send("uci", "isready");
  const lines = await engine.waitFor(/^readyok$/);
  assert.match(lines[0], /^id name gyre \d+\.\d+\.\d+$/);
  assert.ok(lines.includes("option name Hash type spin default 64 min 1 max 4096"));
  assert.equal(lines.at(-2), "uciok");
  assert.deepEqual(await engine.close(), { exit: 0 });
});

test("a search on the clock ends by itself with a legal move; its lines read as the page reads them", async () => {
  const engine = await uciEngine();
  engine.send("position startpos moves e2e4", "go wtime 2000 btime 2000 winc 100 binc 100");
  const lines = await engine.waitFor(/^bestmove /, 10000);
  const chess = new Chess();
  chess.move("e4");
  const infos = lines.filter((line) => line.startsWith("info depth")).map((line) => parseInfo(line.split(" ").slice(1)));
  assert.ok(infos.length > 3);
  infos.forEach((info, i) => {
    assert.ok(i === 0 || info.depth >= infos[i - 1].depth);
    assert.ok(Number.isInteger(info.cp) && info.nodes > 0 && info.time >= 0);
    const line = new Chess(chess.fen());
    assert.ok(info.pv.every((move) => parseMove(line, move)), `illegal line ${info.pv}`);
  });
  assert.ok(parseMove(chess, bestmove(lines)));
  assert.equal(infos.at(-1).pv[0], bestmove(lines));
  await engine.close();
});

test("isready is answered during a search, which goes on until stop", async () => {
  const engine = await uciEngine();
  engine.send("position startpos", "go infinite");
  await engine.waitFor(/^info depth 5 /);
  engine.send("isready");
  assert.ok(!(await engine.waitFor(/^readyok$/)).some((line) => line.startsWith("bestmove")));
  await engine.waitFor(/^info depth/); // still searching
  engine.send("stop");
  const move = bestmove(await engine.waitFor(/^bestmove /, 2000));
  assert.ok(parseMove(new Chess(), move));
  await engine.close();
});

test("a new game during a search: the old search answers first, the new position is searched next", async () => {
  const engine = await uciEngine();
  engine.send("position startpos moves d2d4", "go infinite");
  await engine.waitFor(/^info depth 4 /);
  engine.send("stop", "ucinewgame", `position fen ${MATE_IN_ONE}`, "go depth 4");
  assert.ok(parseMove(new Chess("rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1"),
    bestmove(await engine.waitFor(/^bestmove /, 2000))));
  assert.equal(bestmove(await engine.waitFor(/^bestmove /)), "a1a8");
  await engine.close();
});

test("a mate ends the game: the mating move with its score, then no move to play", async () => {
  const engine = await uciEngine();
  engine.send(`position fen ${MATE_IN_ONE}`, "go movetime 500");
  const lines = await engine.waitFor(/^bestmove /);
  assert.match(lines.at(-2), /^info depth \d+ score mate 1 .* pv a1a8$/);
  const chess = new Chess(MATE_IN_ONE);
  parseMove(chess, bestmove(lines));
  assert.ok(chess.isCheckmate());
  engine.send(`position fen ${MATE_IN_ONE} moves a1a8`, "go wtime 1000 btime 1000");
  assert.deepEqual((await engine.waitFor(/^bestmove /)).slice(-2), ["info depth 0 score mate 0", "bestmove 0000"]);
  await engine.close();
});

test("pondering: no answer before ponderhit, then the clock decides", async () => {
  const engine = await uciEngine();
  engine.send("position startpos moves e2e4 e7e5", "go ponder wtime 1000 btime 1000");
  await engine.waitFor(/^info depth 6 /);
  engine.send("isready");
  assert.ok(!(await engine.waitFor(/^readyok$/)).some((line) => line.startsWith("bestmove")));
  engine.send("ponderhit");
  assert.match(bestmove(await engine.waitFor(/^bestmove /, 3000)), /^[a-h][1-8][a-h][1-8]$/);
  await engine.close();
});
