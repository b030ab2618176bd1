// Stored games: the game in progress, the settings and the last finished
// games in the browser's local storage, and the list of finished games.
// Storage may be missing or full (a private window): nothing then survives
// a reload, and nothing fails.
const KEYS = { game: "gyre.game", settings: "gyre.settings", finished: "gyre.games" };
export const KEPT = 20;

function read(key) {
  try {
    return JSON.parse(localStorage.getItem(key));
  } catch {
    return null; // a damaged record reads as none
  }
}

function write(key, value) {
  try {
    localStorage.setItem(key, JSON.stringify(value));
  } catch {
    // no storage: kept for this visit only
  }
}

export const loadGame = () => read(KEYS.game);
export const saveGame = (game) => write(KEYS.game, game);
export const loadSettings = () => read(KEYS.settings);
export const saveSettings = (settings) => write(KEYS.settings, settings);

// Finished games, the latest first.
export function finishedGames() {
  const games = read(KEYS.finished);
  return Array.isArray(games) ? games : [];
}

// A game that ended goes first in the list (once: a game is known by when
// it started), and the oldest beyond KEPT drop out.
export function keepFinished(game) {
  const games = finishedGames().filter((old) => old.started !== game.started);
  write(KEYS.finished, [game, ...games].slice(0, KEPT));
}

// The list on the page: a game a line, with its buttons.
export function renderFinished(list, { onOpen, onCopy }) {
  const items = finishedGames().map((game) => {
    const item = document.createElement("li");
    const words = document.createElement("span");
    const white = game.human === "w" ? "you" : `gyre ${game.strength === "full" ? "" : game.strength}`.trim();
    const black = game.human === "b" ? "you" : `gyre ${game.strength === "full" ? "" : game.strength}`.trim();
    words.textContent = `${game.date} · ${white} – ${black} · ${game.result.score.replace("1/2", "½")} · ` +
      `${Math.ceil(game.moves.length / 2)} moves`;
    item.append(words, button("Open", () => onOpen(game)), button("Copy PGN", () => onCopy(game)));
    return item;
  });
  list.replaceChildren(...items);
  list.closest("section").hidden = items.length === 0;
}

function button(label, onclick) {
  const element = document.createElement("button");
  element.textContent = label;
  element.onclick = onclick;
  return element;
}
