// The settings: the next game's (side, time, level, start position) and the
// page's own (hints, sound, analysis lines), kept in the form that shows
// them. Levels are Elo ratings on the engine's scale, or full strength.
export const LEVELS = ["800", "1000", "1200", "1400", "1600", "1800", "full"];

// Strengths of earlier versions of the page, named by a depth or a time a
// move, as the nearest level.
const OLD_STRENGTHS = {
  "depth 1": "800", "movetime 100": "1000", "depth 4": "1200", "movetime 1000": "1400", "depth 8": "1600",
};
export const level = (strength) => (LEVELS.includes(strength) ? strength : OLD_STRENGTHS[strength] ?? "full");

// The engine's options for a level.
export function levelOptions(strength) {
  const elo = level(strength);
  return elo === "full" ? { UCI_LimitStrength: "false" } : { UCI_LimitStrength: "true", UCI_Elo: elo };
}

const DEFAULTS = { human: "w", control: "3+2", strength: "full", fen: "", hints: "level", sound: "off", lines: "3" };

// Settings from storage (or, saved by an older page, from its game), with
// every field present and valid.
export function migrate(saved, game = null) {
  const settings = { ...DEFAULTS };
  for (const name of Object.keys(DEFAULTS)) {
    const value = saved?.[name] ?? (name === "fen" ? undefined : game?.[name]);
    if (typeof value === "string") settings[name] = value;
  }
  settings.strength = level(settings.strength);
  return settings;
}

// Binds the form: fills it from settings and calls onChange(settings) on
// every change. Returns a function that reads the current settings.
export function bindSettings(form, settings, onChange) {
  const read = () => Object.fromEntries(Object.keys(DEFAULTS).map((name) => [name, form.elements[name].value]));
  const write = (values) => {
    for (const [name, value] of Object.entries(values)) if (form.elements[name]) form.elements[name].value = value;
  };
  write(settings);
  // (the analysis's choice of lines sits elsewhere on the page, in the form by its form attribute)
  document.addEventListener("change", (event) => event.target.form === form && onChange(read()));
  form.addEventListener("submit", (event) => event.preventDefault());
  return { read, write };
}
