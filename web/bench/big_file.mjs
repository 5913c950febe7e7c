// Opens a large HOD in the page in headless Chromium, as a person's tab would
// (the file chosen in the file chooser), and prints how long the report took,
// whether it was written and the page's status. For the memory limit of a tab.
// Usage: node --no-experimental-fetch big_file.mjs WEB_DIR CHROMIUM FILE.hod
import { existsSync, readFileSync } from "node:fs";
import { createServer } from "node:http";
import { basename, extname, join, resolve } from "node:path";
import puppeteer from "puppeteer-core";

const [webDir, chromium, file] = process.argv.slice(2).map((a) => resolve(a));
const types = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".wasm": "application/wasm" };
const server = createServer((request, response) => {
  const path = join(webDir, basename(new URL(request.url, "http://x").pathname) || "index.html");
  if (!existsSync(path)) return response.writeHead(404).end();
  response.writeHead(200, { "Content-Type": types[extname(path)] ?? "application/octet-stream" });
  response.end(readFileSync(path));
});
await new Promise((ready) => server.listen(0, "127.0.0.1", ready));
const browser = await puppeteer.launch({ executablePath: chromium, headless: true, args: ["--no-sandbox"] });
try {
  const page = await browser.newPage();
  page.on("console", (m) => console.log(`page: ${m.text()}`));
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  await page.waitForFunction(() => document.getElementById("status").textContent.startsWith("Ready"), { timeout: 60000 });
  const start = Date.now();
  await (await page.$("#chooser")).uploadFile(file);
  await page.waitForFunction(
    (name) => {
      const s = document.getElementById("status").textContent;
      return s.startsWith(`${name}: `) && !s.includes("Reading");
    },
    { timeout: 600000, polling: 500 },
    basename(file),
  );
  const seconds = (Date.now() - start) / 1000;
  const state = await page.evaluate(() => ({
    status: document.getElementById("status").textContent,
    files: [...document.querySelectorAll("#files li")].map((li) => li.textContent),
    findings: document.querySelectorAll("#check li").length,
  }));
  console.log(JSON.stringify({ seconds, ...state }, null, 1));
} finally {
  await browser.close();
  server.close();
}
