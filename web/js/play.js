// The game in progress on the page: whose turn, the clocks ticking, the
// engine asked for its moves and for hints, takebacks, resignation, and an
// earlier position looked at while the game waits. The record and the
// rules are game.js's; the engine, the board and storage come from main.js.
import { Chess } from "chess.js";
import {
  TIME_CONTROLS, replay, parseMove, hasClock, chargeClock, outcome, flagFall, resignation, pgn, takeback, describe,
} from "./game.js";
import { levelOptions } from "./settings.js";
import { renderMoves } from "./movelist.js";

const $ = (id) => document.getElementById(id);

// engine: main.js's access ({search(owner, fen, moves, go, options), cancel, stop});
// options(): the settings; save(record) and onFinished(record) store it;
// onMove(move) follows every move played (the sound).
export function createPlay({ board, engine, options, save, onFinished, onMove }) {
  const state = {
    game: null, // the record of game.js, saved as it is
    chess: null, // its position, with the moves that led there
    turnStart: 0, // when the side to move began (performance.now)
    ready: false, // the engine answered isready
    thinking: false, // a search for the engine's move is running
    thought: null, // the latest thinking line of the engine, ready to show
    hint: null, // "pending", or the hint's move ({from, to, san})
    view: null, // the number of moves shown while looking back, or null
    paused: false, // the analysis board has the engine and the board
    flipped: false,
    note: "", // a message that replaces the status until the next move
  };

  const mover = {
    onInfo(info) {
      if (info.pv.length && (info.multipv ?? 1) === 1) state.thought = thought(info);
      renderThought();
    },
    onBestMove(move) {
      state.thinking = false;
      play(move);
    },
  };
  const hinter = {
    onInfo() {},
    onBestMove(text) {
      const move = parseMove(new Chess(state.chess.fen()), text);
      state.hint = move && { from: move.from, to: move.to };
      state.note = move ? `Hint: ${move.san}` : "";
      render();
    },
  };

  function begin(game, note = "") {
    engine.newGame();
    Object.assign(state, {
      game, chess: replay(game), turnStart: performance.now(), thinking: false, thought: null, hint: null, view: null,
      paused: false, note,
    });
    state.flipped = game.human === "b";
    keep();
    render();
    think();
  }

  function think() {
    const { game, chess } = state;
    if (!state.ready || state.paused || state.thinking || game.result || chess.turn() === game.human) return;
    const control = TIME_CONTROLS[game.control];
    let limits = `movetime ${control.moveTime}`;
    if (!control.moveTime) {
      const { w, b } = clocks();
      limits = `wtime ${w} btime ${b} winc ${control.increment} binc ${control.increment}`;
    }
    state.thinking = true;
    state.thought = null;
    engine.search(mover, game.fen, game.moves, limits, levelOptions(game.strength));
    render();
  }

  // A move of the side to move, in the engine's notation (e2e4, e7e8n).
  function play(text) {
    const { game, chess } = state, side = chess.turn(), now = performance.now();
    if (game.result) return;
    if (hasClock(game) && clocks(now)[side] <= 0) return finish(flagFall(chess, side));
    const move = parseMove(chess, text);
    if (!move) return showNote(`gyre answered ${text}, which is not a legal move here.`);
    dropHint();
    chargeClock(game, side, Math.round(now - state.turnStart));
    game.moves.push(move.lan);
    game.result = outcome(chess);
    Object.assign(state, { turnStart: now, note: "", view: null });
    onMove(move);
    keep();
    if (game.result) onFinished(game);
    render();
    think();
  }

  function finish(result) {
    if (state.game.result) return;
    state.game.result = result;
    if (state.thinking) engine.cancel();
    state.thinking = false;
    dropHint();
    keep();
    onFinished(state.game);
    render();
  }

  function dropHint() {
    if (state.hint === "pending") engine.cancel();
    state.hint = null;
  }

  function tick() {
    const { game, chess } = state;
    if (state.paused) return;
    if (!game.result && hasClock(game) && clocks()[chess.turn()] <= 0) finish(flagFall(chess, chess.turn()));
    renderClocks();
  }

  // Both clocks now, the running one charged for its turn so far.
  function clocks(now = performance.now()) {
    const { game, chess } = state, running = game.result || state.paused ? null : chess.turn();
    const times = { ...game.clock };
    if (running) times[running] -= Math.round(now - state.turnStart);
    return times;
  }

  const record = () => ({ ...state.game, clock: clocks() });
  const keep = () => save(record());
  const yourTurn = () => !state.game.result && state.chess.turn() === state.game.human;

  function showNote(text) {
    state.note = text;
    render();
  }

  // ---- drawing ----

  function render() {
    const { game, chess } = state;
    const history = chess.history({ verbose: true }), shown = state.view ?? history.length;
    const position = shown === history.length ? chess : replay({ ...game, moves: game.moves.slice(0, shown) });
    board.show(position, {
      orientation: state.flipped ? "b" : "w",
      mover: yourTurn() && state.view === null ? game.human : null,
      lastMove: history[shown - 1],
      arrow: state.hint !== "pending" && state.view === null ? state.hint : null,
    });
    $("result").hidden = !game.result || state.view !== null;
    $("result").textContent = game.result ? `${game.result.score.replace("1/2", "½")}\n${game.result.words}` : "";
    $("status").textContent =
      state.note || game.result?.words ||
      (!state.ready ? "Loading the engine…" : state.view !== null ? `Move ${shown} of ${history.length}: → goes on.`
        : yourTurn() ? "Your move." : "gyre is thinking…");
    $("move-now").disabled = !state.thinking;
    $("resign").disabled = !!game.result;
    $("takeback").disabled = !state.ready || !!game.result || game.moves.length < (yourTurn() ? 2 : 1);
    $("hint").disabled = !state.ready || !yourTurn() || state.hint === "pending";
    $("pgn").value = pgn(game);
    renderMoves($("moves"), game.fen, history.map((move) => move.san), {
      shown, onPick: (ply) => { state.view = ply === history.length ? null : ply; render(); },
    });
    renderClocks();
    renderThought();
  }

  function renderClocks() {
    const { game, chess } = state, times = clocks();
    const bottom = state.flipped ? "b" : "w";
    for (const [id, side] of [["clock-bottom", bottom], ["clock-top", bottom === "w" ? "b" : "w"]]) {
      const element = $(id);
      const engineName = game.strength === "full" ? "gyre" : `gyre ${game.strength}`;
      element.querySelector(".player").textContent =
        `${side === "w" ? "White" : "Black"}: ${side === game.human ? "you" : engineName}`;
      element.querySelector(".time").textContent = hasClock(game) ? clockText(times[side]) : "";
      element.classList.toggle("running", !game.result && !state.paused && chess.turn() === side);
      element.classList.toggle("low", hasClock(game) && times[side] < 10000);
    }
  }

  function renderThought() {
    const thought = state.thought;
    $("depth").textContent = thought ? `depth ${thought.depth}` : "–";
    $("score").textContent = thought?.score ?? "";
    $("nodes").textContent = thought?.nodes ?? "";
    $("line").textContent = thought?.line ?? "";
    $("thinking").classList.toggle("active", state.thinking);
  }

  function thought(info) {
    const rate = info.nps ? `, ${Math.round(info.nps / 1000).toLocaleString("en")} kN/s` : "";
    return { ...describe(state.chess.fen(), info), nodes: `${(info.nodes ?? 0).toLocaleString("en")} nodes${rate}` };
  }

  return {
    begin,
    get game() {
      return state.game;
    },
    ready() {
      state.ready = true;
      render();
      think();
    },
    fail(reason) {
      state.ready = state.thinking = false;
      showNote(`The engine stopped (${reason}). Reload the page to start it again.`);
    },
    onBoardMove({ from, to, promotion = "" }) {
      if (yourTurn() && state.view === null) play(from + to + promotion);
    },
    moveNow: () => engine.stop(),
    resign: () => finish(resignation(state.game.human)),
    flip() {
      state.flipped = !state.flipped;
      render();
    },
    takeBack() {
      if (state.thinking) engine.cancel(); // its answer would come for a move no longer there
      state.thinking = false;
      dropHint();
      const count = takeback(state.game);
      state.chess = replay(state.game);
      Object.assign(state, { turnStart: performance.now(), view: null, note: count ? "Move taken back." : "" });
      keep();
      render();
      think();
    },
    hint() {
      if (!yourTurn() || state.hint === "pending") return;
      const { game } = state;
      state.hint = "pending";
      engine.search(hinter, game.fen, game.moves, "movetime 1000",
        levelOptions(options().hints === "full" ? "full" : game.strength));
      showNote("gyre looks for a hint…");
    },
    // delta moves back (-) or forward (+); Infinity for the ends
    step(delta) {
      const length = state.game.moves.length;
      const shown = Math.max(0, Math.min(length, (state.view ?? length) + delta));
      state.view = shown === length ? null : shown;
      render();
    },
    // The analysis board takes the engine and the board: the clocks stop.
    pause() {
      if (state.paused) return;
      if (state.thinking) engine.cancel();
      state.thinking = false;
      dropHint();
      state.game.clock = clocks();
      state.paused = true;
      keep();
    },
    resume() {
      Object.assign(state, { paused: false, turnStart: performance.now() });
      render();
      think();
    },
    tick,
    save: keep,
  };
}

function clockText(ms) {
  const left = Math.max(0, ms);
  const minutes = Math.floor(left / 60000), seconds = Math.floor(left / 1000) % 60;
  const text = `${minutes}:${String(seconds).padStart(2, "0")}`;
  return left < 10000 ? `${text}.${Math.floor(left / 100) % 10}` : text;
}
