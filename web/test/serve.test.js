// make serve answers every request, however malformed, and goes on serving.
import { after, test } from "node:test";
import assert from "node:assert/strict";
import { mkdirSync, mkdtempSync, rmSync, writeFileSync } from "node:fs";
import { connect } from "node:net";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { serve } from "../serve.js";

const root = mkdtempSync(join(tmpdir(), "gyre-serve-"));
writeFileSync(join(root, "index.html"), "<p>gyre</p>");
mkdirSync(join(root, "engine"));
const server = await serve(0, root);
const port = server.address().port;
after(() => {
  server.close();
  rmSync(root, { recursive: true });
});

// One raw request; the status of its answer, or null when the server just
// closed the connection (as node does for a line it cannot parse).
function request(head) {
  return new Promise((resolve, reject) => {
    const socket = connect(port, "127.0.0.1", () => socket.write(head));
    const timer = setTimeout(() => reject(new Error(`no answer to ${JSON.stringify(head)}`)), 5000);
    const done = (status) => {
      clearTimeout(timer);
      socket.destroy();
      resolve(status);
    };
    socket.on("data", (data) => done(Number(String(data).split(" ")[1])));
    socket.on("error", () => {});
    socket.on("close", () => done(null));
  });
}
const get = (path, method = "GET") => request(`${method} ${path} HTTP/1.1\r\nHost: x\r\n\r\n`);

test("bad requests get their status; the page is served after them", async () => {
  const cases = [
    ["/%", 400], ["/%zz/index.html", 400], ["/%2e%2e/%2e%2e/etc/passwd", 404],
    ["/..%2f..%2fetc/passwd", 404], ["/engine/../../../etc/passwd", 404], ["/%00", 404],
    ["/engine/", 404], ["/engine", 404], ["/missing.js", 404], ["/", 200], ["/index.html", 200],
  ];
  for (const [path, status] of cases) assert.equal(await get(path), status, path);
  for (const method of ["POST", "PUT", "DELETE", "OPTIONS", "PATCH"]) assert.equal(await get("/", method), 405, method);
  assert.equal(await get("/", "HEAD"), 200);
});

test("thousands of random request lines do not stop the server", async () => {
  let seed = 20261208;
  const random = (n) => ((seed = (seed * 1103515245 + 12345) % 2 ** 31) % n);
  const alphabet = "GETPOSHAD /%.\\?#\0\r\n:~azAZ09\u00e9\u{1F600}";
  for (let i = 0; i < 3000; i++) {
    const chars = Array.from({ length: random(40) }, () => [...alphabet][random([...alphabet].length)]);
    // (a line of bare CR LFs is no request yet: the server rightly waits for one)
    const line = i % 2 ? `GET /${chars.join("")} HTTP/1.1\r\nHost: x\r\n\r\n` : `G${chars.join("")}\r\n\r\n`;
    await request(line);
  }
  assert.equal(await get("/"), 200);
  const page = await fetch(`http://127.0.0.1:${port}/`);
  assert.equal(page.headers.get("cross-origin-embedder-policy"), "require-corp");
  assert.equal(await page.text(), "<p>gyre</p>");
});
