// make serve: the built site on localhost, cross-origin isolated (the two
// headers that let the page share memory with the engine's worker) and with
// the types the browser insists on. `node serve.js [PORT]`; tests import it.
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { extname, normalize, resolve, sep } from "node:path";
import { fileURLToPath } from "node:url";

const TYPES = {
  ".html": "text/html; charset=utf-8", ".js": "text/javascript", ".css": "text/css",
  ".svg": "image/svg+xml", ".wasm": "application/wasm", ".txt": "text/plain; charset=utf-8",
  ".png": "image/png", ".webmanifest": "application/manifest+json",
};
export const SITE = fileURLToPath(new URL("../build/site", import.meta.url));

const ISOLATION = {
  "Cross-Origin-Opener-Policy": "same-origin",
  "Cross-Origin-Embedder-Policy": "require-corp",
};

// The file a request names, or an HTTP status: 400 for a path that does not
// decode, 404 for one outside the site (or a NUL, which no file name holds).
function resolvePath(url, root) {
  let path;
  try {
    path = normalize(decodeURIComponent(new URL(url, "http://x").pathname));
  } catch {
    return 400;
  }
  const file = resolve(root, "." + (path.endsWith("/") ? path + "index.html" : path));
  if (path.includes("\0") || (file !== root && !file.startsWith(root + sep))) return 404;
  return file;
}

async function answer(request, response, root) {
  if (request.method !== "GET" && request.method !== "HEAD") {
    return response.writeHead(405, { Allow: "GET, HEAD" }).end("method not allowed");
  }
  const file = resolvePath(request.url, root);
  if (typeof file === "number") return response.writeHead(file).end(file === 400 ? "bad request" : "not found");
  let body;
  try {
    body = await readFile(file); // a folder without index.html fails here too
  } catch {
    return response.writeHead(404).end("not found");
  }
  response.writeHead(200, {
    "Content-Type": TYPES[extname(file) || ".html"] ?? "application/octet-stream",
    ...ISOLATION,
    "Cache-Control": "no-cache",
  });
  response.end(request.method === "HEAD" ? undefined : body);
}

export function serve(port = 0, root = SITE) {
  const site = resolve(root);
  // No request may end the server: whatever a handler throws becomes a 500.
  const server = createServer((request, response) =>
    answer(request, response, site).catch(() => {
      if (!response.headersSent) response.writeHead(500);
      response.end();
    }),
  );
  return new Promise((resolved) => server.listen(port, "127.0.0.1", () => resolved(server)));
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const server = await serve(Number(process.argv[2] ?? 8080));
  console.log(`gyre: open http://127.0.0.1:${server.address().port}/ (Ctrl+C stops)`);
}
