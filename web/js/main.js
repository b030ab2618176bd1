// The page's wiring: one board and one engine, lent to the game in progress
// (play.js) or to the analysis board (analysis.js); the settings, the
// stored games, the buttons and the keys.
import { createBoard } from "./board.js";
import { startEngine } from "./engine.js";
import { newGame, readGame, replay, pgn } from "./game.js";
import { createPlay } from "./play.js";
import { createAnalysis } from "./analysis.js";
import * as store from "./store.js";
import { migrate, bindSettings, level } from "./settings.js";
import { beep } from "./sound.js";
import { prepare } from "./install.js";

const $ = (id) => document.getElementById(id);

await prepare(); // the service worker first: the page may reload
start();

function start() {
  const saved = store.loadGame();
  let settings = migrate(store.loadSettings(), saved);
  let owner = null; // who gets the engine's lines: the game, its hint, or the analysis
  let analysing = false;

  const engine = startEngine({
    onReady: () => play.ready(),
    onInfo: (info) => owner?.onInfo(info),
    onBestMove(move) {
      const asker = owner;
      owner = null;
      asker?.onBestMove(move);
    },
    onMessage: (text) => say(`gyre says: ${text}`),
    onFail: (reason) => play.fail(reason),
  });
  // What play.js and analysis.js see of the engine: a search comes with the
  // options it needs (full strength and one line unless it says otherwise).
  const lent = {
    search(asker, fen, moves, go, options = {}) {
      for (const [name, value] of Object.entries({ UCI_LimitStrength: "false", MultiPV: 1, ...options })) {
        engine.setOption(name, value);
      }
      owner = asker;
      engine.search(fen, moves, go);
    },
    cancel() {
      owner = null;
      engine.cancel();
    },
    stop: () => engine.stop(),
    newGame() {
      owner = null;
      engine.newGame();
    },
  };

  const board = createBoard($("board"), (move) => (analysing ? analysis : play).onBoardMove(move));
  const sound = (move) => settings.sound === "on" && beep(!!move.captured);
  const play = createPlay({
    board, engine: lent, options: () => settings, save: store.saveGame, onMove: sound,
    onFinished(game) {
      store.keepFinished(structuredClone(game));
      showFinished();
    },
  });
  const analysis = createAnalysis({ board, engine: lent, options: () => settings, onMove: sound });
  const form = bindSettings($("settings"), settings, (values) => {
    const linesChanged = values.lines !== settings.lines;
    settings = values;
    store.saveSettings(settings);
    if (analysing && linesChanged) analysis.linesChanged();
  });

  function analyse(record, evaluate = false) {
    if (!analysing) play.pause();
    analysing = true;
    document.body.classList.add("analysing");
    analysis.open(structuredClone(record));
    if (evaluate) analysis.evaluate();
  }
  function backToPlay() {
    if (!analysing) return;
    analysis.close();
    analysing = false;
    document.body.classList.remove("analysing");
  }
  const active = () => (analysing ? analysis : play);

  // without isolation a search cannot be interrupted
  if (!engine.interruptible) [$("move-now").hidden, $("uninterruptible").hidden] = [true, false];
  $("move-now").onclick = () => play.moveNow();
  $("resign").onclick = () => play.resign();
  $("takeback").onclick = () => play.takeBack();
  $("hint").onclick = () => play.hint();
  $("flip").onclick = () => active().flip();
  $("new-game").onclick = () => {
    const { human, control, strength, fen } = form.read();
    try {
      const game = newGame({ human, control, strength, fen: fen.trim() || undefined });
      backToPlay();
      play.begin(game);
    } catch (error) {
      say(`That FEN is not a position to play from: ${error.message}`);
    }
  };
  $("close-analysis").onclick = () => {
    backToPlay();
    play.resume();
  };
  $("analyse-game").onclick = () => analyse(play.game, true);
  $("analyse-position").onclick = () => {
    try {
      analyse(readGame($("position-text").value));
    } catch (error) {
      say(`That is neither a FEN nor a PGN: ${error.message}`);
    }
  };
  $("evaluate").onclick = () => analysis.evaluate();
  $("back-to-game").onclick = () => analysis.backToGame();
  $("copy-pgn").onclick = () => copy($("pgn"));
  $("copy-analysis").onclick = () => copy($("analysis-pgn"));
  const steps = { first: -Infinity, back: -1, forward: 1, last: Infinity };
  for (const [id, delta] of Object.entries(steps)) $(id).onclick = () => active().step(delta);
  const keys = { ArrowLeft: -1, ArrowRight: 1, Home: -Infinity, End: Infinity };
  addEventListener("keydown", (event) => {
    if (!(event.key in keys) || event.target.closest("input, textarea, select")) return;
    event.preventDefault();
    active().step(keys[event.key]);
  });

  function showFinished() {
    store.renderFinished($("finished"), {
      onOpen: (game) => analyse(game),
      onCopy: (game) => navigator.clipboard.writeText(pgn(game)).then(() => say("The PGN is copied."), () => {}),
    });
  }

  addEventListener("pagehide", () => play.save());
  setInterval(() => analysing || play.tick(), 100);
  showFinished();
  play.begin(...restore(saved, settings));
}

// A position from the address (#fen=...) starts a new game in which the
// person has the move; else the saved game goes on. Returns begin's arguments.
function restore(saved, settings) {
  const fen = new URLSearchParams(location.hash.slice(1)).get("fen");
  let note = "";
  if (fen) {
    history.replaceState(null, "", location.pathname + location.search);
    try {
      return [newGame({ ...settings, fen, human: fen.split(" ")[1] === "b" ? "b" : "w" })];
    } catch (error) {
      note = `The position in the address is not one to play from: ${error.message}`;
    }
  }
  try {
    if (saved && replay(saved)) {
      // a game saved by an earlier page: its strength as a level, and a start to know it by
      return [{ ...saved, strength: level(saved.strength), started: saved.started ?? new Date().toISOString() }, note];
    }
  } catch {
    // a damaged record: start afresh
  }
  const { human, control, strength } = settings;
  return [newGame({ human, control, strength }), note];
}

function say(text) {
  $("status").textContent = text;
}

// Copies a PGN box's text; where the clipboard is refused, opens the box.
function copy(box) {
  box.closest("details").open = true;
  navigator.clipboard.writeText(box.value).then(() => say("The PGN is copied."), () => say("Copy the PGN from the box below."));
}

