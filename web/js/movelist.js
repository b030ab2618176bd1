// A list of moves in SAN with their numbers, a pair a line; the move shown
// on the board is marked, and a click on a move asks for its position.
export function renderMoves(list, fen, sans, { shown = sans.length, onPick = null } = {}) {
  const [, turn, , , , fullMove] = fen.split(" ");
  const items = [];
  let number = Number(fullMove);
  sans.forEach((san, i) => {
    const black = (i + (turn === "b")) % 2 === 1;
    if (!black || i === 0) {
      items.push(document.createElement("li"));
      items.at(-1).value = number;
      if (black) items.at(-1).append("… ");
    }
    const move = document.createElement("span");
    move.textContent = san;
    move.dataset.ply = i + 1;
    move.classList.toggle("shown", i + 1 === shown && shown < sans.length);
    if (onPick) move.onclick = () => onPick(i + 1);
    items.at(-1).append(move, " ");
    if (black) number++;
  });
  list.replaceChildren(...items);
  list.querySelector(".shown")?.scrollIntoView({ block: "nearest" });
  if (shown === sans.length) list.scrollTop = list.scrollHeight;
}
