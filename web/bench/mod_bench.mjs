// The page in headless Chromium where a person waits for it: the mod view over a
// folder of many HOD files against `starquill check -r -j1` over the same
// folder (at most 5x), and the page's first load, each file as the server's gzip
// would send it (at most 0.6 MB).
// Usage: node --no-experimental-fetch mod_bench.mjs STARQUILL WEB_DIR CHROMIUM FOLDER
import { spawnSync } from "node:child_process";
import { existsSync, readFileSync } from "node:fs";
import { createServer } from "node:http";
import { basename, dirname, extname, join, resolve } from "node:path";
import { gzipSync } from "node:zlib";
import puppeteer from "puppeteer-core";

const [starquill, webDir, chromium, folder] = process.argv.slice(2).map((a) => resolve(a));
const types = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".wasm": "application/wasm" };
const sent = [];  // the gzip size of each file served
const server = createServer((request, response) => {
  const path = join(webDir, basename(new URL(request.url, "http://x").pathname) || "index.html");
  if (!existsSync(path)) return response.writeHead(404).end();
  const body = readFileSync(path);
  sent.push(gzipSync(body, { level: 6 }).length);
  response.writeHead(200, { "Content-Type": types[extname(path)] ?? "application/octet-stream" });
  response.end(body);
});
await new Promise((ready) => server.listen(0, "127.0.0.1", ready));

let native = Infinity;
for (let i = 0; i < 3; i++) {
  const start = process.hrtime.bigint();
  spawnSync(starquill, ["check", "-r", "-j1", basename(folder)], { cwd: dirname(folder), maxBuffer: 1 << 30 });
  native = Math.min(native, Number(process.hrtime.bigint() - start) / 1e9);
}

const browser = await puppeteer.launch({ executablePath: chromium, headless: true, args: ["--no-sandbox"] });
let page = Infinity, firstLoad = 0, files = "";
try {
  for (let i = 0; i < 2; i++) {
    const tab = await browser.newPage();
    sent.length = 0;
    await tab.goto(`http://127.0.0.1:${server.address().port}/`);
    await tab.waitForFunction(() => document.getElementById("status").textContent.startsWith("Ready"), { timeout: 60000 });
    if (i === 0) firstLoad = sent.reduce((a, b) => a + b, 0);
    const start = Date.now();
    await (await tab.$("#folder-chooser")).uploadFile(folder);
    await tab.waitForFunction(() => /^\d+ files: /.test(document.getElementById("mod-summary").textContent),
      { timeout: 600000, polling: 100 });
    page = Math.min(page, (Date.now() - start) / 1000);
    files = await tab.$eval("#mod-summary", (e) => e.textContent);
    await tab.close();
  }
} finally {
  await browser.close();
  server.close();
}
const ratio = page / native, megabytes = firstLoad / 1e6;
console.log(`\nThe page in headless Chromium (${files}):`);
console.log(`mod view over the folder ${page.toFixed(2)} s, check -r -j1 ${native.toFixed(2)} s: ` +
  `${ratio.toFixed(2)}x (<= 5x ${ratio <= 5 ? "met" : "MISSED"})`);
console.log(`first load with gzip ${megabytes.toFixed(2)} MB (<= 0.6 MB ${megabytes <= 0.6 ? "met" : "MISSED"})`);
process.exit(ratio <= 5 && megabytes <= 0.6 ? 0 : 1);
