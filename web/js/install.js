// The site's service worker (sw.js), which makes the page cross-origin
// isolated on any static host and keeps the site for offline use. The first
// visit, and a page that came without it (a forced reload), reload once to
// come through it; a newer version, installed during an earlier visit, takes
// over as the page loads, before anything of it runs: the one found by this
// visit's check too, unless it takes long to fetch. Where there is no
// service worker (a file, a private window that forbids it) the page plays
// without isolation.
const RELOADED = "gyre.reloaded"; // in the tab's session storage: no second reload
const CHECK_WAIT_MS = 3000; // for the look for a new version (none offline)
const UPDATE_WAIT_MS = 10000; // a slower update waits for the next visit

// Resolves when the page may start; a page that reloads never does.
export async function prepare() {
  let registration;
  try {
    registration = await navigator.serviceWorker.register(new URL("../sw.js", import.meta.url));
  } catch {
    return; // none here
  }
  // a newer version, found now or before: the page reloads under it
  const controlled = !!navigator.serviceWorker.controller;
  if (controlled) await Promise.race([registration.update().catch(() => {}), delay(CHECK_WAIT_MS)]);
  const newer = controlled && (registration.installing ?? registration.waiting);
  if (newer && (await reaches(newer, "installed", UPDATE_WAIT_MS)) && firstReload()) {
    newer.postMessage("take over");
    await reaches(newer, "activated");
    location.reload();
    return never();
  }
  if (self.crossOriginIsolated) return remember(() => sessionStorage.removeItem(RELOADED));
  if ((await reaches(registration.active ?? registration.installing ?? registration.waiting, "activated")) && firstReload()) {
    location.reload();
    return never();
  }
}

// false without storage to remember it in: then no reload at all
const firstReload = () => remember(() => !sessionStorage.getItem(RELOADED) && !sessionStorage.setItem(RELOADED, "1"));

function remember(step) {
  try {
    return step();
  } catch {
    return false;
  }
}

// Whether the worker gets to the state (or past it); false once it fails
// to install, or after ms.
const STATES = ["installing", "installed", "activating", "activated"];
function reaches(worker, state, ms = Infinity) {
  return new Promise((resolve) => {
    const check = () => {
      if (worker.state === "redundant" || STATES.indexOf(worker.state) >= STATES.indexOf(state))
        resolve(worker.state !== "redundant");
    };
    worker.addEventListener("statechange", check);
    check();
    if (ms < Infinity) delay(ms).then(() => resolve(false));
  });
}

const delay = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const never = () => new Promise(() => {});
