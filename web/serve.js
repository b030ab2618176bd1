// make serve: the built site on localhost, cross-origin isolated (the two
// headers that let the page share memory with the engine's worker) and with
// the types the browser insists on. `node serve.js [PORT]`; tests import it.
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { extname, join, normalize } from "node:path";
import { fileURLToPath } from "node:url";

const TYPES = {
  ".html": "text/html; charset=utf-8", ".js": "text/javascript", ".css": "text/css",
  ".svg": "image/svg+xml", ".wasm": "application/wasm", ".txt": "text/plain; charset=utf-8",
};
export const SITE = fileURLToPath(new URL("../build/site", import.meta.url));

export function serve(port = 0, root = SITE) {
  const server = createServer(async (request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, "http://x").pathname));
    try {
      const body = await readFile(join(root, path.endsWith("/") ? path + "index.html" : path));
      response.writeHead(200, {
        "Content-Type": TYPES[extname(path) || ".html"] ?? "application/octet-stream",
        "Cross-Origin-Opener-Policy": "same-origin",
        "Cross-Origin-Embedder-Policy": "require-corp",
        "Cache-Control": "no-cache",
      });
      response.end(body);
    } catch {
      response.writeHead(404).end("not found");
    }
  });
  return new Promise((resolve) => server.listen(port, "127.0.0.1", () => resolve(server)));
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const server = await serve(Number(process.argv[2] ?? 8080));
  console.log(`gyre: open http://127.0.0.1:${server.address().port}/ (Ctrl+C stops)`);
}
