// The page in headless Chromium where a person waits for it: the mod view over a
// folder of many HOD files, from the folder handed to the page to its summary
// line, against `starquill check -r -j1` over the same folder (at most 5x); the
// page's peak memory then against its peak over the folder's largest file alone
// (at most 2x); and the page's first load, each file as the server's gzip would
// send it (at most 0.6 MB). Also shown: how long the page takes only to read the
// folder's files, which no work on them can beat.
// Usage: node --no-experimental-fetch mod_bench.mjs STARQUILL WEB_DIR CHROMIUM FOLDER
import { spawnSync } from "node:child_process";
import { copyFileSync, existsSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync } from "node:fs";
import { createServer } from "node:http";
import { tmpdir } from "node:os";
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

// The folder's largest file, alone in a folder of its own.
function largestAlone() {
  let largest = null;
  const walk = (dir) => {
    for (const entry of readdirSync(dir, { withFileTypes: true })) {
      const path = join(dir, entry.name);
      if (entry.isDirectory()) walk(path);
      else if (entry.name.includes(".hod") && (!largest || statSync(path).size > statSync(largest).size)) largest = path;
    }
  };
  walk(folder);
  const alone = join(mkdtempSync(join(tmpdir(), "mod-bench-")), "largest");
  mkdirSync(alone);
  copyFileSync(largest, join(alone, basename(largest)));
  return alone;
}

// The renderer processes running now.
function renderers() {
  return readdirSync("/proc").filter((pid) => {
    try {
      return /^\d+$/.test(pid) && readFileSync(`/proc/${pid}/cmdline`, "latin1").includes("--type=renderer");
    } catch {
      return false;
    }
  });
}
const peakKiB = (pid) => Number(/VmHWM:\s+(\d+)/.exec(readFileSync(`/proc/${pid}/status`, "latin1"))?.[1] ?? NaN);

// The mod view over `dir` in a page of its own context (so a renderer process
// of its own): the seconds from the folder handed over to the summary line, the
// renderer's peak resident KiB, the summary, and the seconds of reading the
// files alone in a worker, a few at a time as the page does.
async function modView(browser, dir) {
  const before = new Set(renderers());
  const context = await browser.createBrowserContext();
  try {
    const tab = await context.newPage();
    sent.length = 0;
    await tab.goto(`http://127.0.0.1:${server.address().port}/`);
    await tab.waitForFunction(() => document.getElementById("status").textContent.startsWith("Ready"), { timeout: 60000 });
    const loaded = sent.reduce((a, b) => a + b, 0);
    const pid = renderers().find((p) => !before.has(p));
    await tab.evaluate(() => {
      const summary = document.getElementById("mod-summary");
      document.getElementById("folder-chooser").addEventListener("change", (event) => {
        window.benchStart = performance.now();
        window.benchFiles = [...event.target.files];
      }, { capture: true });
      new MutationObserver(() => {
        if (/^\d+ files?: /.test(summary.textContent)) window.benchEnd ??= performance.now();
      }).observe(summary, { childList: true, characterData: true, subtree: true });
    });
    await (await tab.$("#folder-chooser")).uploadFile(dir);
    await tab.waitForFunction(() => window.benchEnd !== undefined, { timeout: 600000, polling: 100 });
    const seconds = await tab.evaluate(() => (window.benchEnd - window.benchStart) / 1000);
    const peak = pid ? peakKiB(pid) : NaN;
    const summary = await tab.$eval("#mod-summary", (e) => e.textContent);
    const reading = await tab.evaluate(() => new Promise((done) => {
      const code = `onmessage = async (e) => {
        const files = e.data, start = performance.now();
        let next = 0;
        const reader = async () => { while (next < files.length) await files[next++].arrayBuffer(); };
        await Promise.all([reader(), reader(), reader(), reader()]);
        postMessage((performance.now() - start) / 1000);
      };`;
      const worker = new Worker(URL.createObjectURL(new Blob([code], { type: "text/javascript" })));
      worker.onmessage = (e) => done(e.data);
      worker.postMessage(window.benchFiles);
    }));
    return { seconds, peak, summary, reading, loaded };
  } finally {
    await context.close();
  }
}

const browser = await puppeteer.launch({ executablePath: chromium, headless: true, args: ["--no-sandbox"] });
const alone = largestAlone();
let page = Infinity, reading = Infinity, peak = 0, alonePeak = Infinity, firstLoad = 0, files = "";
try {
  for (let i = 0; i < 2; i++) {
    const all = await modView(browser, folder);
    if (i === 0) firstLoad = all.loaded;
    page = Math.min(page, all.seconds);
    reading = Math.min(reading, all.reading);
    peak = Math.max(peak, all.peak);
    files = all.summary;
    alonePeak = Math.min(alonePeak, (await modView(browser, alone)).peak);
  }
} finally {
  await browser.close();
  server.close();
  rmSync(dirname(alone), { recursive: true, force: true });
}
const ratio = page / native, memory = peak / alonePeak, megabytes = firstLoad / 1e6;
console.log(`\nThe page in headless Chromium (${files}):`);
console.log(`mod view over the folder ${page.toFixed(2)} s, check -r -j1 ${native.toFixed(2)} s: ` +
  `${ratio.toFixed(2)}x (<= 5x ${ratio <= 5 ? "met" : "MISSED"})`);
console.log(`  the page reading the files alone ${reading.toFixed(2)} s (${(reading / native).toFixed(2)}x check -r -j1)`);
console.log(`  peak memory ${(peak / 1024).toFixed(0)} MiB, over the largest file alone ${(alonePeak / 1024).toFixed(0)} MiB: ` +
  `${memory.toFixed(2)}x (<= 2x ${memory <= 2 ? "met" : "MISSED"})`);
console.log(`first load with gzip ${megabytes.toFixed(2)} MB (<= 0.6 MB ${megabytes <= 0.6 ? "met" : "MISSED"})`);
process.exit(ratio <= 5 && memory <= 2 && megabytes <= 0.6 ? 0 : 1);
