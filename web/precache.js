// build.sh: the site's service worker, build/site/sw.js: web/sw.js with the
// list of every file of the site (its SHA-256 beside it) and a version that
// is the hash of that list, so that any change of any file is a new version.
// `node precache.js SITE`
import { createHash } from "node:crypto";
import { readdirSync, readFileSync, writeFileSync } from "node:fs";
import { join, sep } from "node:path";

const site = process.argv[2];
const LEFT_OUT = new Set(["sw.js", "package.json"]); // the worker itself; node's, for the tests
// every file below the folder, as a path relative to the site with "/"
const walk = (folder) => readdirSync(join(site, folder), { withFileTypes: true }).flatMap((entry) =>
  entry.isDirectory() ? walk(join(folder, entry.name)) : [join(folder, entry.name).split(sep).join("/")]);
const files = walk("")
  .filter((path) => !LEFT_OUT.has(path))
  .sort()
  .map((path) => [path, `sha256-${createHash("sha256").update(readFileSync(join(site, path))).digest("base64")}`]);
const version = createHash("sha256").update(JSON.stringify(files)).digest("hex").slice(0, 16);
const worker = readFileSync(new URL("./sw.js", import.meta.url), "utf8");
const list = files.map((file) => JSON.stringify(file)).join(",\n  ");
writeFileSync(join(site, "sw.js"), `const SITE = {\n version: "${version}",\n files: [\n  ${list},\n ],\n};\n\n${worker}`);
console.log(`web: ${files.length} files in the service worker's list, version ${version}`);
