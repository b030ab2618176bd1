// The site's service worker. It serves every file of the site from a cache
// of one version, and adds to every answer the two headers that isolate the
// page, so that the page may share memory with the engine's worker on any
// static host, and play offline. build.sh puts SITE in front of this file:
// the version (a hash of the files) and each file's path, relative to this
// worker's folder, with its SHA-256 in the form fetch checks.
const CACHE = `gyre-${SITE.version}`;
const ISOLATION = { "Cross-Origin-Opener-Policy": "same-origin", "Cross-Origin-Embedder-Policy": "require-corp" };
const scope = self.registration.scope;

// All files of the version or none: each one past the HTTP cache and
// checked against its hash, so that a site changed meanwhile fails here.
self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) =>
    Promise.all(SITE.files.map(([path, integrity]) =>
      fetch(path, { cache: "no-cache", integrity }).then((response) => {
        if (!response.ok) throw new Error(`${path}: HTTP ${response.status}`);
        return cache.put(path, response);
      }))).catch((error) => caches.delete(CACHE).then(() => { throw error; }))));
});

// Once the pages of the older version are gone (or one asks, as it loads).
self.addEventListener("activate", (event) => {
  event.waitUntil(caches.keys().then((names) =>
    Promise.all(names.filter((name) => name.startsWith("gyre-") && name !== CACHE).map((name) => caches.delete(name)))));
});

self.addEventListener("message", ({ data }) => data === "take over" && self.skipWaiting());

self.addEventListener("fetch", (event) => {
  const { request } = event;
  if (request.method === "GET" && request.url.startsWith(scope)) event.respondWith(answer(request));
});

// A folder is its index.html; the query does not name another file.
async function answer(request) {
  const path = request.url.slice(scope.length).replace(/[?#].*/s, "");
  const file = path === "" || path.endsWith("/") ? path + "index.html" : path;
  const response = (await caches.match(new URL(file, scope), { cacheName: CACHE })) ?? (await fetch(request));
  if (response.type === "opaque" || response.type === "opaqueredirect") return response;
  const headers = new Headers(response.headers);
  for (const [name, value] of Object.entries(ISOLATION)) headers.set(name, value);
  return new Response(response.body, { status: response.status, statusText: response.statusText, headers });
}
