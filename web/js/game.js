// The game and its clocks: a plain record (start position, moves, settings,
// clock times, result) that is saved as it is, and the rules read from
// chess.js. Nothing here touches the page.
import { Chess, DEFAULT_POSITION } from "chess.js";

// Time controls: minutes + seconds a move, or a fixed time a move (no clocks).
export const TIME_CONTROLS = {
  "1+0": { base: 60000, increment: 0 },
  "3+2": { base: 180000, increment: 2000 },
  "10+5": { base: 600000, increment: 5000 },
  "5s": { moveTime: 5000 },
};
const NAMES = { w: "White", b: "Black" };
const other = (side) => (side === "w" ? "b" : "w");

export function newGame({ human = "w", control = "3+2", strength = "full", fen = DEFAULT_POSITION } = {}) {
  new Chess(fen); // throws on a position that cannot be played from
  const { base = 0 } = TIME_CONTROLS[control];
  return {
    fen, moves: [], human, control, strength, clock: { w: base, b: base }, result: null,
    date: new Date().toISOString().slice(0, 10).replaceAll("-", "."),
  };
}

export function replay(game) {
  const chess = new Chess(game.fen);
  for (const move of game.moves) chess.move(move);
  return chess;
}

// A move as the engine writes it (e2e4, e7e8q), or null when not legal.
export function parseMove(chess, text) {
  try {
    return chess.move({ from: text.slice(0, 2), to: text.slice(2, 4), promotion: text[4] });
  } catch {
    return null;
  }
}

export const hasClock = (game) => !TIME_CONTROLS[game.control].moveTime;

// The mover's clock is charged for the time since its turn began, then
// credited with the increment.
export function chargeClock(game, side, elapsed) {
  if (!hasClock(game)) return;
  game.clock[side] += TIME_CONTROLS[game.control].increment - elapsed;
}

// The end by the rules after a move, or null.
export function outcome(chess) {
  const mover = other(chess.turn());
  if (chess.isCheckmate()) return win(mover, `Checkmate: ${NAMES[mover]} wins.`);
  if (chess.isStalemate()) return draw("Stalemate: a draw.");
  if (chess.isInsufficientMaterial()) return draw("Draw: neither side can mate.");
  if (chess.isThreefoldRepetition()) return draw("Draw by threefold repetition.");
  if (chess.isDrawByFiftyMoves()) return draw("Draw by the fifty-move rule.");
  return null;
}

// A flag fall loses, unless the other side has a lone king and can never mate.
export function flagFall(chess, side) {
  const lone = chess.board().flat().filter((piece) => piece?.color === other(side)).length === 1;
  return lone
    ? draw(`${NAMES[side]}'s flag fell, but ${NAMES[other(side)]} cannot mate: a draw.`)
    : win(other(side), `${NAMES[side]}'s flag fell: ${NAMES[other(side)]} wins.`);
}

export const resignation = (side) => win(other(side), `${NAMES[side]} resigned: ${NAMES[other(side)]} wins.`);

function win(side, words) {
  return { score: side === "w" ? "1-0" : "0-1", words };
}

function draw(words) {
  return { score: "1/2-1/2", words };
}

export function pgn(game) {
  const chess = replay(game);
  const { base, increment, moveTime } = TIME_CONTROLS[game.control];
  const tags = {
    Event: "Casual game", Date: game.date,
    White: game.human === "w" ? "Player" : "gyre", Black: game.human === "b" ? "Player" : "gyre",
    Result: game.result?.score ?? "*",
    TimeControl: moveTime ? "-" : `${base / 1000}+${increment / 1000}`,
  };
  for (const [tag, value] of Object.entries(tags)) chess.setHeader(tag, value);
  if (game.result) chess.setComment(game.result.words);
  return chess.pgn();
}
