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

// strength: an Elo of the engine's scale ("800" to "1800") or "full"
export function newGame({ human = "w", control = "3+2", strength = "full", fen = DEFAULT_POSITION } = {}) {
  new Chess(fen); // throws on a position that cannot be played from
  const { base = 0 } = TIME_CONTROLS[control];
  const now = new Date().toISOString();
  return {
    fen, moves: [], human, control, strength, clock: { w: base, b: base }, result: null,
    date: now.slice(0, 10).replaceAll("-", "."), started: now,
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

// Takes back the person's last move and the engine's answer to it (only the
// person's move while the engine thinks on it). Returns the moves removed.
export function takeback(game) {
  const engineToMove = replay(game).turn() !== game.human;
  const count = engineToMove ? 1 : 2;
  if (game.result || game.moves.length < count) return 0;
  game.moves.length -= count;
  return count;
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

// The game's PGN; comments[i], when given, follows the i-th move. A game
// read from a PGN (game.headers) keeps its own tags.
export function pgn(game, comments = []) {
  const chess = new Chess(game.fen);
  game.moves.forEach((move, i) => {
    chess.move(move);
    if (comments[i]) chess.setComment(comments[i]);
  });
  for (const [tag, value] of Object.entries(game.headers ?? tags(game))) chess.setHeader(tag, value);
  if (game.result) chess.setComment([comments[game.moves.length - 1], game.result.words].filter(Boolean).join(" "));
  return chess.pgn();
}

function tags(game) {
  const { base, increment, moveTime } = TIME_CONTROLS[game.control];
  const engine = game.human === "w" ? "Black" : "White";
  return {
    Event: "Casual game", Date: game.date,
    White: game.human === "w" ? "Player" : "gyre", Black: game.human === "b" ? "Player" : "gyre",
    Result: game.result?.score ?? "*",
    TimeControl: moveTime ? "-" : `${base / 1000}+${increment / 1000}`,
    ...(game.strength === "full" ? {} : { [`${engine}Elo`]: game.strength }),
  };
}

// A pasted PGN as a record to analyse ({fen, moves, headers}), or a FEN
// with no moves; throws on text that is neither.
export function readGame(text) {
  const chess = new Chess();
  try {
    chess.load(text.trim());
    return { fen: chess.fen(), moves: [], headers: null };
  } catch {
    chess.loadPgn(text);
  }
  const history = chess.history({ verbose: true });
  const headers = Object.fromEntries(Object.entries(chess.getHeaders()).filter(([, value]) => value !== null));
  return { fen: history[0]?.before ?? chess.fen(), moves: history.map((move) => move.lan), headers };
}

// A thinking line for people: the score in pawns from White's view (and as
// a number, for bars and graphs), the line in SAN with move numbers.
export function describe(fen, info) {
  const position = new Chess(fen);
  const white = position.turn() === "w" ? 1 : -1;
  const mate = info.mate !== undefined ? white * info.mate : undefined;
  const value = mate !== undefined ? Math.sign(mate) * 100 : (white * (info.cp ?? 0)) / 100;
  const words = [], moves = [];
  for (const text of info.pv) {
    const number = position.moveNumber(), turn = position.turn();
    const move = parseMove(position, text);
    if (!move) break;
    if (turn === "w") words.push(`${number}.`);
    else if (!words.length) words.push(`${number}…`);
    words.push(move.san);
    moves.push(move.san);
  }
  return { depth: info.depth, value, score: scoreText(value, mate), line: words.join(" "), moves };
}

// +0.35, −1.20, +M3 (value in pawns from White's view; mate in moves)
export function scoreText(value, mate = undefined) {
  if (mate !== undefined) return `${mate > 0 ? "+" : "−"}M${Math.abs(mate)}`;
  return `${value >= 0 ? "+" : "−"}${Math.abs(value).toFixed(2)}`;
}
