// The board view: cm-chessboard with the person's moves checked by chess.js,
// by dragging or by clicking two squares (with dots on the squares the
// picked piece may go to), and a choice of piece when a pawn promotes. It
// shows a position with its last move, a king in check and an arrow; the
// game or the analysis decides what they are.
import { Chessboard, INPUT_EVENT_TYPE } from "cm-chessboard/src/Chessboard.js";
import { Markers, MARKER_TYPE } from "cm-chessboard/src/extensions/markers/Markers.js";
import { Arrows, ARROW_TYPE } from "cm-chessboard/src/extensions/arrows/Arrows.js";
import {
  PromotionDialog, PROMOTION_DIALOG_RESULT_TYPE,
} from "cm-chessboard/src/extensions/promotion-dialog/PromotionDialog.js";

// onMove({from, to, promotion}) gets a legal move of the side given to show().
export function createBoard(element, onMove) {
  const board = new Chessboard(element, {
    assetsUrl: "lib/cm-chessboard/assets/",
    style: { pieces: { file: "pieces/standard.svg" }, animationDuration: 200 },
    extensions: [{ class: Markers, props: { autoMarkers: MARKER_TYPE.square } }, { class: PromotionDialog }, { class: Arrows }],
  });
  let chess = null;

  const legal = (from, to) => chess.moves({ square: from, verbose: true }).filter((move) => move.to === to);
  const input = (event) => {
    board.removeLegalMovesMarkers();
    if (event.type === INPUT_EVENT_TYPE.moveInputStarted) {
      const moves = chess.moves({ square: event.squareFrom, verbose: true });
      board.addLegalMovesMarkers(moves);
      return moves.length > 0;
    }
    if (event.type !== INPUT_EVENT_TYPE.validateMoveInput) return true;
    const moves = legal(event.squareFrom, event.squareTo);
    if (moves.length === 0) return false;
    const move = { from: event.squareFrom, to: event.squareTo };
    if (!moves[0].promotion) {
      onMove(move);
      return true;
    }
    board.showPromotionDialog(event.squareTo, chess.turn(), (result) => {
      if (result.type === PROMOTION_DIALOG_RESULT_TYPE.pieceSelected) onMove({ ...move, promotion: result.piece[1] });
      else board.setPosition(chess.fen(), true);
    });
    return true;
  };

  return {
    // mover: the side whose pieces the person may move now, or null;
    // arrow: a move ({from, to}) to point at, or null
    show(position, { orientation, mover, lastMove, arrow = null }) {
      chess = position;
      board.setPosition(position.fen(), true);
      if (board.getOrientation() !== orientation) board.setOrientation(orientation);
      board.removeMarkers(MARKER_TYPE.frame);
      board.removeMarkers(MARKER_TYPE.circleDanger);
      for (const square of lastMove ? [lastMove.from, lastMove.to] : []) board.addMarker(MARKER_TYPE.frame, square);
      if (position.inCheck()) {
        const [king] = position.findPiece({ type: "k", color: position.turn() });
        board.addMarker(MARKER_TYPE.circleDanger, king);
      }
      board.removeArrows();
      if (arrow) board.addArrow(ARROW_TYPE.info, arrow.from, arrow.to);
      board.disableMoveInput();
      if (mover) board.enableMoveInput(input, mover);
    },
  };
}
