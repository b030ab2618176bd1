// The analysis board: a game or a position, the engine thinking on the
// position shown without end, its best lines in SAN with an evaluation bar;
// stepping through the game moves the analysis along, and a move on the
// board branches from there. "Evaluate the game" scores every position of
// the game in turn for a graph and a PGN with the scores as comments.
import { replay, parseMove, describe, scoreText, pgn } from "./game.js";
import { renderMoves } from "./movelist.js";

const $ = (id) => document.getElementById(id);
const EVALUATE = "depth 18 movetime 300"; // a position of the whole game's evaluation
const PAWNS = 6; // the graph's and the bar's scale: beyond this many pawns is won

// engine: main.js's access ({search(owner, fen, moves, go, options), cancel});
// options(): the settings (lines); onMove(move) follows every move made.
export function createAnalysis({ board, engine, options, onMove }) {
  const state = {
    record: null, // what is analysed: a game of game.js, or {fen, moves, headers} from a PGN or FEN
    line: [], // the moves on the board: the game's, or a branch from them
    ply: 0, // how many of them are played on the board
    fen: "", // the position they lead to, analysed
    over: null, // "mate" or "draw" when the rules end the game there
    lines: [], // the engine's best lines for that position (describe's)
    flipped: false,
    evals: null, // the whole game's scores, a position a entry ({value, mate, depth}), while or once evaluated
    evaluating: false,
    active: false,
  };
  let latest = null; // the evaluation's last exact line

  const position = (ply = state.ply) => replay({ fen: state.record.fen, moves: state.line.slice(0, ply) });
  const main = () => state.record.moves;

  const thinker = {
    onInfo(info) {
      if (info.bound || !info.pv.length) return;
      state.lines[(info.multipv ?? 1) - 1] = describe(state.fen, info);
      state.lines.length = Math.min(state.lines.length, Number(options().lines));
      renderLines();
    },
    onBestMove() {}, // an infinite search answers only when stopped
  };

  // Thinks on the position shown (once the whole game's evaluation is over).
  function analyse() {
    if (!state.active) return;
    state.lines = [];
    const chess = position();
    state.fen = chess.fen();
    state.over = chess.isCheckmate() ? "mate" : chess.isGameOver() ? "draw" : null;
    if (state.evaluating) return render();
    if (state.over) engine.cancel();
    else engine.search(thinker, state.record.fen, state.line.slice(0, state.ply), "infinite", { MultiPV: options().lines });
    render();
  }

  function go(ply, line = state.line) {
    state.line = line;
    state.ply = Math.max(0, Math.min(line.length, ply));
    analyse();
  }

  // ---- the whole game's evaluation ----

  const evaluator = {
    onInfo(info) {
      if (!info.bound && info.pv.length && (info.multipv ?? 1) === 1) latest = info;
    },
    onBestMove() {
      const at = state.evals.length, fen = replay({ fen: state.record.fen, moves: main().slice(0, at) }).fen();
      const { value, depth } = latest ? describe(fen, latest) : { value: 0, depth: 0 };
      state.evals.push({ value, depth, mate: latest?.mate === undefined ? undefined : latest.mate * side(fen) });
      evaluateNext();
    },
  };
  const side = (fen) => (fen.split(" ")[1] === "w" ? 1 : -1);

  function evaluateNext() {
    for (;;) {
      const at = state.evals.length;
      renderGraph();
      if (at > main().length) {
        state.evaluating = false;
        return analyse();
      }
      const chess = replay({ fen: state.record.fen, moves: main().slice(0, at) });
      if (!chess.isGameOver()) break;
      // mate or a draw on the board: its score needs no search
      state.evals.push({ value: chess.isCheckmate() ? -100 * side(chess.fen()) : 0, depth: 0 });
    }
    latest = null;
    engine.search(evaluator, state.record.fen, main().slice(0, state.evals.length), EVALUATE, { MultiPV: 1 });
  }

  // The moves after which the mover's score fell most: at most three, each
  // by a pawn or more. Returns their numbers (1 is the game's first move).
  function worstMoves() {
    const evals = state.evals ?? [], clamp = (v) => Math.max(-PAWNS, Math.min(PAWNS, v));
    const falls = [];
    for (let i = 1, mover = side(state.record.fen); i < evals.length; i++, mover = -mover) {
      falls.push({ ply: i, fall: mover * (clamp(evals[i - 1].value) - clamp(evals[i].value)) });
    }
    return falls.filter((f) => f.fall >= 1).sort((a, b) => b.fall - a.fall).slice(0, 3).map((f) => f.ply);
  }

  // {+0.35/12} after each move (none after a mate or a draw on the board)
  function comments() {
    return (state.evals ?? []).slice(1).map(({ value, mate, depth }) =>
      depth ? `${scoreText(value, mate).replace("−", "-")}/${depth}` : "");
  }

  // ---- drawing ----

  function render() {
    if (!state.active) return;
    const chess = position(), history = replay({ fen: state.record.fen, moves: state.line }).history({ verbose: true });
    board.show(chess, {
      orientation: state.flipped ? "b" : "w", mover: chess.isGameOver() ? null : chess.turn(),
      lastMove: history[state.ply - 1], arrow: null,
    });
    const branched = state.line.some((move, i) => move !== main()[i]);
    $("back-to-game").hidden = !branched;
    $("status").textContent = chess.isCheckmate() ? "Checkmate." : chess.isGameOver() ? "A draw on the board."
      : `${chess.turn() === "w" ? "White" : "Black"} to move${branched ? ", in a branch from the game" : ""}.`;
    renderMoves($("analysis-moves"), state.record.fen, history.map((move) => move.san), {
      shown: state.ply, onPick: (ply) => go(ply),
    });
    for (const ply of branched ? [] : worstMoves()) $("analysis-moves").querySelector(`[data-ply="${ply}"]`)?.classList.add("worst");
    $("analysis-pgn").value = pgn({ result: null, ...state.record }, comments());
    renderLines();
    renderGraph();
  }

  function renderLines() {
    const best = state.lines[0];
    $("analysis-depth").textContent = best ? `depth ${best.depth}` : state.over ? "" : "–";
    const value = best ? best.value : state.over === "mate" ? -100 * side(state.fen) : 0;
    $("eval-fill").style.width = `${50 + 50 * Math.max(-1, Math.min(1, value / PAWNS))}%`;
    $("eval-bar").title = best?.score ?? "";
    $("lines").replaceChildren(...state.lines.filter(Boolean).map((line) => {
      const item = document.createElement("li"), score = document.createElement("b");
      item.dataset.move = line.moves[0];
      score.textContent = line.score;
      item.append(score, ` ${line.line}`);
      return item;
    }));
  }

  // The evaluation over the game's moves, White's advantage up;
  // the worst moves as red dots, each a link to its position.
  function renderGraph() {
    const graph = $("graph"), evals = state.evals;
    $("evaluate").disabled = state.evaluating || main().length === 0;
    $("evaluate").textContent = state.evaluating ? `Evaluating ${evals.length} of ${main().length + 1}…` : "Evaluate the game";
    graph.replaceChildren();
    if (!evals?.length) return;
    const width = 300, height = 80, n = Math.max(1, main().length);
    const x = (i) => (i * width) / n, y = (v) => height / 2 - (Math.max(-PAWNS, Math.min(PAWNS, v)) * height) / (2 * PAWNS);
    const svg = element("svg", { viewBox: `0 0 ${width} ${height}`, role: "img", "aria-label": "the game's evaluation" });
    const points = evals.map((e, i) => `${x(i).toFixed(1)},${y(e.value).toFixed(1)}`);
    // White's share below the line, as on the evaluation bar
    svg.append(element("polygon", { points: `0,${height} ${points.join(" ")} ${x(evals.length - 1)},${height}`, class: "area" }),
      element("line", { x1: 0, y1: height / 2, x2: width, y2: height / 2, class: "even" }));
    for (const ply of worstMoves()) {
      const dot = element("circle", { cx: x(ply), cy: y(evals[ply].value), r: 4, class: "worst" });
      dot.append(element("title", {}, `after move ${Math.ceil(ply / 2)}: ${scoreText(evals[ply].value, evals[ply].mate)}`));
      dot.onclick = () => go(ply, main().slice());
      svg.append(dot);
    }
    graph.append(svg);
  }

  return {
    // record: a game of game.js or readGame's; the board starts at its end
    open(record) {
      engine.cancel();
      Object.assign(state, {
        record, line: record.moves.slice(), ply: record.moves.length, flipped: record.human === "b",
        evals: null, evaluating: false, active: true,
      });
      analyse();
    },
    close() {
      state.active = false;
      state.evaluating = false;
      engine.cancel();
    },
    evaluate() {
      if (state.evaluating) return;
      Object.assign(state, { evals: [], evaluating: true, lines: [] });
      evaluateNext();
      render();
    },
    onBoardMove({ from, to, promotion = "" }) {
      const move = parseMove(position(), from + to + promotion);
      if (!move) return;
      onMove(move);
      go(state.ply + 1, state.line[state.ply] === move.lan ? state.line : [...state.line.slice(0, state.ply), move.lan]);
    },
    step: (delta) => go(state.ply + delta),
    backToGame() {
      const same = state.line.findIndex((move, i) => move !== main()[i]);
      go(same < 0 ? state.ply : same, main().slice());
    },
    flip() {
      state.flipped = !state.flipped;
      render();
    },
    linesChanged: analyse,
    get pgn() {
      return $("analysis-pgn").value;
    },
  };
}

function element(name, attributes, text = "") {
  const node = document.createElementNS("http://www.w3.org/2000/svg", name);
  for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
  if (text) node.textContent = text;
  return node;
}
