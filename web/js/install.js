// The site's service worker (sw.js), which makes the page cross-origin
// isolated on any static host and keeps the site for offline use. The first
// visit, and a page that came without it (a forced reload), reload once to
// come through it; a newer version, installed during an earlier visit, takes
// over as the page loads, before anything of it runs. Where there is no
// service worker (a file, a private window that forbids it) the page plays
// without isolation.
const RELOADED = "gyre.reloaded"; // in the tab's session storage: no second reload

// Resolves when the page may start; a page that reloads never does.
export async function prepare() {
  let registration;
  try {
    registration = await navigator.serviceWorker.register(new URL("../sw.js", import.meta.url));
  } catch {
    return; // none here
  }
  if (registration.waiting && navigator.serviceWorker.controller && firstReload()) {
    navigator.serviceWorker.addEventListener("controllerchange", () => location.reload());
    registration.waiting.postMessage("take over");
    return never();
  }
  if (self.crossOriginIsolated) return remember(() => sessionStorage.removeItem(RELOADED));
  if ((await activated(registration.active ?? registration.installing ?? registration.waiting)) && firstReload()) {
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

// Whether the worker becomes active (false: it failed to install).
function activated(worker) {
  return new Promise((resolve) => {
    const check = () => {
      if (worker.state === "activated" || worker.state === "redundant") resolve(worker.state === "activated");
    };
    worker.addEventListener("statechange", check);
    check();
  });
}

const never = () => new Promise(() => {});
