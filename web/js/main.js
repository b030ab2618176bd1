// The page: one state, the DOM drawn from it. The rules and the clocks are
// in game.js, the board in board.js, the engine behind engine.js.
import { Chess } from "chess.js";
import { createBoard } from "./board.js";
import { startEngine } from "./engine.js";
import { prepare } from "./install.js";
import {
  TIME_CONTROLS, newGame, replay, parseMove, hasClock, chargeClock, outcome, flagFall, resignation, pgn,
} from "./game.js";

const SAVED = "gyre.game";
const $ = (id) => document.getElementById(id);

const state = {
  game: null, // the record of game.js, saved as it is
  chess: null, // its position, with the moves that led there
  turnStart: 0, // when the side to move began (performance.now)
  ready: false, // the engine answered isready
  thinking: false, // a search for this game is running
  thought: null, // the latest thinking line of the engine, ready to show
  flipped: false,
  note: "", // a message that replaces the status until the next move
};
let board, engine;

await prepare(); // the service worker first: the page may reload
start();

function start() {
  board = createBoard($("board"), ({ from, to, promotion = "" }) => {
    if (!state.game.result && state.chess.turn() === state.game.human) play(from + to + promotion);
  });
  engine = startEngine({
    onReady() {
      state.ready = true;
      render();
      think();
    },
    onInfo(info) {
      if (info.pv.length) state.thought = describe(info);
      renderThought();
    },
    onBestMove(move) {
      state.thinking = false;
      play(move);
    },
    onMessage(text) {
      state.note = `gyre says: ${text}`;
      render();
    },
    onFail(reason) {
      state.ready = state.thinking = false;
      state.note = `The engine stopped (${reason}). Reload the page to start it again.`;
      render();
    },
  });
  // without isolation a search cannot be interrupted
  if (!engine.interruptible) [$("move-now").hidden, $("uninterruptible").hidden] = [true, false];
  $("move-now").onclick = () => engine.stop();
  $("resign").onclick = () => finish(resignation(state.game.human));
  $("flip").onclick = () => {
    state.flipped = !state.flipped;
    render();
  };
  $("new-game").onclick = () => {
    const form = $("settings").elements;
    const fen = form.fen.value.trim() || undefined;
    try {
      begin(newGame({ human: form.human.value, control: form.control.value, strength: form.strength.value, fen }));
    } catch (error) {
      state.note = `That FEN is not a position to play from: ${error.message}`;
      render();
    }
  };
  $("copy-pgn").onclick = () => {
    $("pgn").closest("details").open = true;
    navigator.clipboard.writeText($("pgn").value).then(
      () => showNote("The PGN is copied."),
      () => showNote("Copy the PGN from the box below."),
    );
  };
  addEventListener("pagehide", save);
  setInterval(tick, 100);
  begin(...restore());
}

// A position from the address (#fen=...) starts a new game in which the
// person has the move; else the saved game goes on. Returns begin's arguments.
function restore() {
  const fen = new URLSearchParams(location.hash.slice(1)).get("fen");
  let note = "";
  if (fen) {
    history.replaceState(null, "", location.pathname + location.search);
    try {
      return [newGame({ fen, human: fen.split(" ")[1] === "b" ? "b" : "w" })];
    } catch (error) {
      note = `The position in the address is not one to play from: ${error.message}`;
    }
  }
  try {
    const saved = JSON.parse(localStorage.getItem(SAVED));
    if (saved && replay(saved)) return [saved, note];
  } catch {
    // a damaged record: start afresh
  }
  return [newGame(), note];
}

function begin(game, note = "") {
  engine.newGame();
  Object.assign(state, { game, chess: replay(game), turnStart: performance.now(), thinking: false, thought: null, note });
  state.flipped = game.human === "b";
  const form = $("settings").elements;
  for (const name of ["human", "control", "strength"]) form[name].value = game[name];
  form.fen.value = game.fen === new Chess().fen() ? "" : game.fen;
  save();
  render();
  think();
}

function think() {
  const { game, chess } = state;
  if (!state.ready || state.thinking || game.result || chess.turn() === game.human) return;
  const control = TIME_CONTROLS[game.control], limits = [];
  if (control.moveTime && !game.strength.startsWith("movetime")) limits.push(`movetime ${control.moveTime}`);
  if (!control.moveTime) {
    const { w, b } = clocks();
    limits.push(`wtime ${w} btime ${b} winc ${control.increment} binc ${control.increment}`);
  }
  if (game.strength !== "full") limits.push(game.strength);
  state.thinking = true;
  state.thought = null;
  engine.search(game.fen, game.moves, limits.join(" "));
  render();
}

// A move of the side to move, in the engine's notation (e2e4, e7e8n).
function play(text) {
  const { game, chess } = state, side = chess.turn(), now = performance.now();
  if (game.result) return;
  if (hasClock(game) && clocks(now)[side] <= 0) return finish(flagFall(chess, side));
  const move = parseMove(chess, text);
  if (!move) return showNote(`gyre answered ${text}, which is not a legal move here.`);
  chargeClock(game, side, Math.round(now - state.turnStart));
  game.moves.push(move.lan);
  game.result = outcome(chess);
  state.turnStart = now;
  state.note = "";
  save();
  render();
  think();
}

function finish(result) {
  if (state.game.result) return;
  state.game.result = result;
  if (state.thinking) engine.cancel();
  state.thinking = false;
  save();
  render();
}

function tick() {
  const { game, chess } = state;
  if (!game.result && hasClock(game) && clocks()[chess.turn()] <= 0) finish(flagFall(chess, chess.turn()));
  renderClocks();
}

// Both clocks now, the running one charged for its turn so far.
function clocks(now = performance.now()) {
  const { game, chess } = state, running = game.result ? null : chess.turn();
  const times = { ...game.clock };
  if (running) times[running] -= Math.round(now - state.turnStart);
  return times;
}

function save() {
  try {
    localStorage.setItem(SAVED, JSON.stringify({ ...state.game, clock: clocks() }));
  } catch {
    // no storage (a private window, say): the game just does not survive a reload
  }
}

function showNote(text) {
  state.note = text;
  render();
}

// ---- drawing ----

function render() {
  const { game, chess } = state;
  const yourTurn = !game.result && chess.turn() === game.human;
  board.show(chess, {
    orientation: state.flipped ? "b" : "w",
    mover: yourTurn ? game.human : null,
    lastMove: chess.history({ verbose: true }).at(-1),
  });
  $("result").hidden = !game.result;
  $("result").textContent = game.result ? `${game.result.score.replace("1/2", "½")}\n${game.result.words}` : "";
  $("status").textContent =
    state.note || game.result?.words ||
    (!state.ready ? "Loading the engine…" : yourTurn ? "Your move." : "gyre is thinking…");
  $("move-now").disabled = !state.thinking;
  $("resign").disabled = !!game.result;
  $("pgn").value = pgn(game);
  renderMoves();
  renderClocks();
  renderThought();
}

function renderMoves() {
  const [, turn, , , , fullMove] = state.game.fen.split(" ");
  const list = $("moves"), items = [];
  let number = Number(fullMove);
  state.chess.history().forEach((san, i) => {
    const black = (i + (turn === "b")) % 2 === 1;
    if (!black || i === 0) {
      items.push(document.createElement("li"));
      items.at(-1).value = number;
      if (black) items.at(-1).append("… ");
    }
    items.at(-1).append(`${san} `);
    if (black) number++;
  });
  list.replaceChildren(...items);
  list.scrollTop = list.scrollHeight;
}

function renderClocks() {
  const { game, chess } = state, times = clocks();
  const bottom = state.flipped ? "b" : "w";
  for (const [id, side] of [["clock-bottom", bottom], ["clock-top", bottom === "w" ? "b" : "w"]]) {
    const element = $(id);
    element.querySelector(".player").textContent =
      `${side === "w" ? "White" : "Black"}: ${side === game.human ? "you" : "gyre"}`;
    element.querySelector(".time").textContent = hasClock(game) ? clockText(times[side]) : "";
    element.classList.toggle("running", !game.result && chess.turn() === side);
    element.classList.toggle("low", hasClock(game) && times[side] < 10000);
  }
}

function clockText(ms) {
  const left = Math.max(0, ms);
  const minutes = Math.floor(left / 60000), seconds = Math.floor(left / 1000) % 60;
  const text = `${minutes}:${String(seconds).padStart(2, "0")}`;
  return left < 10000 ? `${text}.${Math.floor(left / 100) % 10}` : text;
}

function renderThought() {
  const thought = state.thought;
  $("depth").textContent = thought ? `depth ${thought.depth}` : "–";
  $("score").textContent = thought?.score ?? "";
  $("nodes").textContent = thought?.nodes ?? "";
  $("line").textContent = thought?.line ?? "";
  $("thinking").classList.toggle("active", state.thinking);
}

// A thinking line for people: the score in pawns from White's view, the
// line in SAN with move numbers.
function describe(info) {
  const position = new Chess(state.chess.fen());
  const white = position.turn() === "w" ? 1 : -1;
  const score = info.mate !== undefined
    ? `${white * info.mate > 0 ? "+" : "−"}M${Math.abs(info.mate)}`
    : `${white * info.cp >= 0 ? "+" : "−"}${Math.abs((info.cp ?? 0) / 100).toFixed(2)}`;
  const words = [];
  for (const text of info.pv) {
    const number = position.moveNumber(), turn = position.turn();
    const move = parseMove(position, text);
    if (!move) break;
    if (turn === "w") words.push(`${number}.`);
    else if (!words.length) words.push(`${number}…`);
    words.push(move.san);
  }
  const rate = info.nps ? `, ${Math.round(info.nps / 1000).toLocaleString("en")} kN/s` : "";
  return { depth: info.depth, score, nodes: `${(info.nodes ?? 0).toLocaleString("en")} nodes${rate}`, line: words.join(" ") };
}
