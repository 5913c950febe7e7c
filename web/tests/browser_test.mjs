// The page in headless Chromium, served from 127.0.0.1 by a server of the
// test's own: window.starquill must give the native command's bytes (report and
// every side file, check, dump, build) for each HOD and picture given; a
// background chosen in the file chooser must show its sky in the preview's
// canvas; the sample picture built through the form must download the native
// HOD. The exports of the background are compared too.
// A mod's folder chosen gives the native `check -r` text and `report -r` files.
// Usage: node --no-experimental-fetch browser_test.mjs STARQUILL WEB_DIR CHROMIUM MOD_DIR BACKGROUND.hod PICTURE FILE...
import { mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync, existsSync } from "node:fs";
import { dirname } from "node:path";
import { unzipSync } from "fflate";
import { createServer } from "node:http";
import { tmpdir } from "node:os";
import { basename, extname, join, resolve } from "node:path";
import puppeteer from "puppeteer-core";
import { fail, finish, nativeRun, same } from "./kit.mjs";

const [starquill, webDir, chromium, modDir, background, picture, ...others] = process.argv.slice(2).map((a) => resolve(a));
const inputs = [background, picture, ...others];
const work = mkdtempSync(join(tmpdir(), "sq-browser-"));
const native = (dir, args) => nativeRun(starquill, dir, args);

const types = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".wasm": "application/wasm",
  ".txt": "text/plain; charset=utf-8", ".webmanifest": "application/manifest+json", ".svg": "image/svg+xml",
  ".png": "image/png" };
// Set to serve the next version's service worker (its cache named anew).
let nextVersion = false;
const server = createServer((request, response) => {
  const path = decodeURIComponent(new URL(request.url, "http://x").pathname);
  const file = path.startsWith("/inputs/")
    ? inputs.find((f) => basename(f) === path.slice(8))
    : join(webDir, path === "/" ? "index.html" : basename(path));
  if (!file || !existsSync(file)) {
    response.writeHead(404).end();
    return;
  }
  response.writeHead(200, { "Content-Type": types[extname(file)] ?? "application/octet-stream" });
  let body = readFileSync(file);
  if (nextVersion && basename(file) === "service_worker.js")
    body = Buffer.from(body.toString().replace(/const cacheName = "starquill-[^"]*"/, 'const cacheName = "starquill-next"'));
  response.end(body);
});
await new Promise((ready) => server.listen(0, "127.0.0.1", ready));
const origin = `http://127.0.0.1:${server.address().port}`;

const browser = await puppeteer.launch({
  executablePath: chromium,
  headless: true,
  args: ["--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--ignore-gpu-blocklist"],
});
try {
  const page = await browser.newPage();
  page.on("pageerror", (error) => fail(`the page threw: ${error.message}`));
  await page.goto(`${origin}/`);
  await page.waitForFunction(() => document.getElementById("status").textContent.startsWith("Ready"), { timeout: 60000 });
  // The first Tab reaches the file chooser: a keyboard opens files too.
  await page.keyboard.press("Tab");
  if ((await page.evaluate(() => document.activeElement?.id)) !== "chooser") fail("Tab does not reach the file chooser");

  // The About link names each library the page is built with and its version.
  const about = await page.$eval("footer a", async (a) => (await fetch(a.href)).text());
  for (const library of ["zlib", "libpng", "libjpeg-turbo", "nlohmann-json", "fflate"]) {
    if (!new RegExp(`^${library} \\d\\S* \\(.*licence\\b`, "m").test(about))
      fail(`the About page does not name ${library}, its version and licence`);
  }

  // A call of window.starquill on an input the server holds; Uint8Arrays come
  // back as base64.
  const call = (op, name, options) =>
    page.evaluate(
      async (op, name, options) => {
        const bytes = new Uint8Array(await (await fetch(`/inputs/${name}`)).arrayBuffer());
        const encode = (u8) => {
          let s = "";
          for (let i = 0; i < u8.length; i += 0x8000) s += String.fromCharCode(...u8.subarray(i, i + 0x8000));
          return btoa(s);
        };
        const walk = (v) =>
          v instanceof Uint8Array ? { b64: encode(v) }
          : v && typeof v === "object" ? Object.fromEntries(Object.entries(v).map(([k, x]) => [k, walk(x)]))
          : v;
        return walk(await window.starquill[op](bytes, name, options));
      },
      op, name, options,
    );
  const bytesOf = (v) => Buffer.from(v.b64, "base64");

  for (const path of inputs.filter((p) => p.endsWith(".hod") && basename(p) !== "big.hod")) {
    const name = basename(path);
    const dir = mkdtempSync(join(work, "hod-"));
    writeFileSync(join(dir, name), readFileSync(path));
    native(dir, ["report", name]);
    const r = await call("report", name, {});
    const written = readdirSync(dir).filter((f) => f !== name).sort();
    const got = { [r.reportName]: r.report, ...r.files };
    same(`${name}: the files the report writes`, Object.keys(got).sort().join("\n"), written.join("\n"));
    for (const file of written) if (got[file]) same(`${name}: ${file}`, bytesOf(got[file]), readFileSync(join(dir, file)));
    same(`${name}: check`, await call("check", name, {}), native(dir, ["check", name]).out);
    same(`${name}: dump`, await call("dump", name, { tables: true }), native(dir, ["dump", "--tables", name]).out);
  }

  // The background's exports, as export-background writes them.
  const backgroundName = basename(background);
  const exportDir = mkdtempSync(join(work, "export-"));
  writeFileSync(join(exportDir, backgroundName), readFileSync(background));
  for (const format of ["png", "glb"]) {
    const out = backgroundName.replace(/\.hod$/, `.${format}`);
    const want = native(exportDir, ["export-background", backgroundName, out]);
    if (want.status !== 0) {
      fail(`starquill export-background ${backgroundName} ${out}: ${want.err}`);
      continue;
    }
    same(`${backgroundName}: export ${format}`, bytesOf(await call("exportBackground", backgroundName, { format })),
      readFileSync(join(exportDir, out)));
  }

  const pictureName = basename(picture);
  const dir = mkdtempSync(join(work, "pic-"));
  writeFileSync(join(dir, pictureName), readFileSync(picture));
  native(dir, ["build-background", pictureName, "--density", "6", "--intensity-limit"]);
  const hodName = pictureName.replace(/\.[^.]*$/, ".hod");
  const nativeHod = readFileSync(join(dir, hodName));
  const built = await call("build", pictureName, { density: 6, intensityLimit: true });
  same(`${pictureName}: build`, bytesOf(built.hod), nativeHod);

  // The file chooser: a background shows its sky in the preview.
  const chooser = await page.$("#chooser");
  await chooser.uploadFile(background);
  await page.waitForSelector("#preview-section:not([hidden])", { timeout: 60000 });
  await new Promise((r) => setTimeout(r, 500));
  const lit = await page.evaluate(() => {
    const canvas = document.getElementById("preview");
    const copy = document.createElement("canvas");
    copy.width = canvas.width;
    copy.height = canvas.height;
    const c2 = copy.getContext("2d");
    c2.drawImage(canvas, 0, 0);
    const data = c2.getImageData(0, 0, copy.width, copy.height).data;
    let bright = 0;
    for (let i = 0; i < data.length; i += 4) if (data[i] + data[i + 1] + data[i + 2] > 30) bright++;
    return bright / (data.length / 4);
  });
  // SQ_SCREENSHOT=FILE.png keeps a picture of the page at this point (the README's).
  if (process.env.SQ_SCREENSHOT) {
    await page.setViewport({ width: 1400, height: 1100 });
    await new Promise((r) => setTimeout(r, 300));
    await page.screenshot({ path: process.env.SQ_SCREENSHOT, fullPage: false });
  }
  if (!(lit > 0.2)) fail(`the preview's canvas shows no sky (${(lit * 100).toFixed(1)}% lit)`);
  const findings = await page.$$eval("#check li", (items) => items.length);
  if (findings === 0) fail("the check list is empty");
  const report = await page.$eval("#report", (e) => e.textContent);
  if (!report.includes("Report on")) fail("the report is not shown");

  // The form: the picture built with the window's defaults and downloaded.
  const downloads = mkdtempSync(join(work, "downloads-"));
  const cdp = await browser.target().createCDPSession();
  await cdp.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: downloads });
  await chooser.uploadFile(picture);
  await page.waitForSelector("#builder-section:not([hidden])");
  await page.click("#build");
  await page.waitForSelector("#download-hod", { timeout: 120000 });
  await page.click("#download-hod");
  const target = join(downloads, hodName);
  for (let i = 0; i < 100 && !existsSync(target); i++) await new Promise((r) => setTimeout(r, 100));
  const dir2 = mkdtempSync(join(work, "pic-"));
  writeFileSync(join(dir2, pictureName), readFileSync(picture));
  native(dir2, ["build-background", pictureName]);
  if (!existsSync(target)) fail("the form's build downloaded no HOD");
  else same(`${pictureName}: the form's download`, readFileSync(target), readFileSync(join(dir2, hodName)));

  // Files told apart by their last extension in any case, refused at once when
  // the page cannot read them; a damaged file says so; of several given, the
  // last is shown and every one is listed.
  const statusText = () => page.$eval("#status", (e) => e.textContent);
  const byName = (name) => inputs.find((p) => basename(p) === name);
  await chooser.uploadFile(byName("sky.exr"));
  await page.waitForFunction(() => document.getElementById("status").textContent.startsWith("sky.exr: "));
  if (!(await statusText()).includes("does not read OpenEXR")) fail(`sky.exr: ${await statusText()}`);
  // A HOD file is told by its name as the command line tells it, case and all.
  await chooser.uploadFile(byName("SKY.HOD"));
  await page.waitForFunction(() => document.getElementById("status").textContent.startsWith("SKY.HOD: "));
  same("SKY.HOD", await statusText(), "SKY.HOD: Please select an Farhold HOD file.");
  if ((await page.$eval("#picture-name", (e) => e.textContent)) === "SKY.HOD") fail("SKY.HOD opens the builder");
  await chooser.uploadFile(byName("damaged.hod"));
  await page.waitForFunction(() => document.getElementById("status").textContent.startsWith("damaged.hod: "),
    { timeout: 60000 });
  if (!(await statusText()).startsWith("damaged.hod: read, but the walk ended")) fail(`damaged.hod: ${await statusText()}`);
  // A big model chosen, then at once a small file: the small one stays shown.
  await chooser.uploadFile(byName("big.hod"));
  await chooser.uploadFile(background);
  await page.waitForFunction((name) => document.getElementById("status").textContent.startsWith(`${name}: read`),
    { timeout: 60000 }, backgroundName);
  await new Promise((r) => setTimeout(r, 3000));
  same("the later of two files chosen", await page.$eval("#hod-name", (e) => e.textContent), backgroundName);
  if (!(await statusText()).startsWith(`${backgroundName}: read`)) fail(`after the race: ${await statusText()}`);

  await chooser.uploadFile(byName("ship.hod"), background);
  await page.waitForFunction((name) => document.getElementById("status").textContent.startsWith(`${name}: read`),
    { timeout: 60000 }, backgroundName);
  same("the file shown of two", await page.$eval("#hod-name", (e) => e.textContent), backgroundName);
  const listed = await page.$$eval("#opened button", (b) => b.map((x) => x.textContent));
  if (!listed.includes("ship.hod") || !listed.includes(backgroundName)) fail(`the files listed: ${listed.join(", ")}`);
  // A model has no sky to preview and no background exports.
  await chooser.uploadFile(byName("ship.hod"));
  await page.waitForFunction(() => document.getElementById("status").textContent.startsWith("ship.hod: read"),
    { timeout: 60000 });
  if (!(await page.$eval("#preview-section", (e) => e.hidden))) fail("a model shows a background preview");
  if ((await page.$$eval("#exports button", (b) => b.length)) > 0) fail("a model offers background exports");
  const stops = await page.$$eval("#tree summary, #tree .leaf", (e) => e.length);
  const tabStops = await page.$$eval("#tree summary", (e) => e.length);
  if (!(tabStops < stops)) fail("every line of the chunk tree is a Tab stop");

  // A mod's folder: the table, the command line's `check -r` text byte for byte,
  // and "Report all" as `report -r --out-dir` lays its files out.
  const modName = basename(modDir);
  await (await page.$("#folder-chooser")).uploadFile(modDir);
  await page.waitForFunction(() => /^\d+ files: /.test(document.getElementById("mod-summary").textContent),
    { timeout: 120000 });
  const nativeCheck = native(dirname(modDir), ["check", "-r", modName]);
  same("check -r over the mod", Buffer.from(await page.$eval("#mod-check", (e) => e.textContent)), nativeCheck.out);
  same("the mod's summary", await page.$eval("#mod-summary", (e) => e.textContent),
    nativeCheck.err.toString().trim().split("\n").pop());
  const rowsShown = await page.$$eval("#mod-rows tr", (r) => r.length);
  if (rowsShown !== 24) fail(`the mod's table has ${rowsShown} rows`);
  const kinds = await page.$$eval("#mod-rows tr", (rows) => rows.map((r) => [r.cells[0].textContent, r.cells[1].textContent]));
  for (const [path, kind] of kinds) {
    const want = /\/sky\d\.hod$/.test(path) ? "background" : /\/ship\d\.hod$/.test(path) ? "model" : kind;
    if (kind !== want) fail(`the kind of ${path}: "${kind}"`);
  }
  await page.type("#mod-filter", "small/");
  if ((await page.$$eval("#mod-rows tr", (r) => r.length)) !== 6) fail("the mod's filter");
  await page.click("#mod-report-all");
  const zipPath = join(downloads, `${modName}-reports.zip`);
  for (let i = 0; i < 600 && !existsSync(zipPath); i++) await new Promise((r) => setTimeout(r, 100));
  const reportsDir = mkdtempSync(join(work, "reports-"));
  native(dirname(modDir), ["report", "-r", modName, "--out-dir", reportsDir]);
  const nativeTree = {};
  const walk = (dir, rel) => {
    for (const entry of readdirSync(dir, { withFileTypes: true })) {
      if (entry.isDirectory()) walk(join(dir, entry.name), `${rel}${entry.name}/`);
      else nativeTree[`${rel}${entry.name}`] = readFileSync(join(dir, entry.name));
    }
  };
  walk(reportsDir, "");
  if (!existsSync(zipPath)) fail("Report all downloaded no zip");
  else {
    await new Promise((r) => setTimeout(r, 500));  // the download finished writing
    const zipped = unzipSync(readFileSync(zipPath));
    same("the files Report all zips", Object.keys(zipped).sort().join("\n"), Object.keys(nativeTree).sort().join("\n"));
    for (const [name, bytes] of Object.entries(nativeTree)) {
      if (zipped[name]) same(`Report all: ${name}`, Buffer.from(zipped[name]), bytes);
    }
  }

  // A folder chosen with showDirectoryPicker, by keyboard: its HOD files, with
  // their paths from the folder's name on, in the order the command line walks.
  await page.evaluate(() => {
    const file = (name, text) => ({ kind: "file", name, getFile: async () => new File([text], name) });
    const folder = (name, children) => ({ kind: "directory", name, values: async function* () { yield* children; } });
    window.showDirectoryPicker = async () =>
      folder("picked", [folder("sub", [file("a.hod", "x")]), file("notes.txt", "y"), file("b.hod", "z")]);
  });
  await page.focus("#folder-chooser");
  await page.keyboard.press("Enter");
  await page.waitForFunction(() => /^2 files: /.test(document.getElementById("mod-summary").textContent),
    { timeout: 60000 }).catch(() => fail("a folder chosen with showDirectoryPicker is not checked"));
  same("the picked folder's files", (await page.$$eval("#mod-rows tr", (r) => r.map((x) => x.cells[0].textContent))).join(),
    "picked/b.hod,picked/sub/a.hod");

  // Installable: a manifest whose file handlers take HOD files and pictures;
  // once its service worker is ready the page opens and reads a file with no network.
  const manifest = await page.evaluate(async () => (await fetch("manifest.webmanifest")).json());
  const handled = (manifest.file_handlers ?? []).flatMap((h) => Object.values(h.accept).flat());
  for (const extension of [".hod", ".tga", ".png"]) if (!handled.includes(extension)) fail(`the manifest opens no ${extension}`);
  await page.evaluate(() => navigator.serviceWorker.ready);
  const devtools = await page.createCDPSession();
  const installability = await devtools.send("Page.getInstallabilityErrors");
  if (installability.installabilityErrors.length > 0)
    fail(`not installable: ${installability.installabilityErrors.map((e) => e.errorId).join(", ")}`);
  const parsed = await devtools.send("Page.getAppManifest");
  if (parsed.errors.length > 0) fail(`the manifest: ${parsed.errors.map((e) => e.message).join("; ")}`);
  await page.setOfflineMode(true);
  await page.reload();
  await page.waitForFunction(() => document.getElementById("status").textContent.startsWith("Ready"), { timeout: 60000 });
  await (await page.$("#chooser")).uploadFile(background);
  await page.waitForFunction((name) => document.getElementById("status").textContent.startsWith(`${name}: read`),
    { timeout: 60000 }, backgroundName);
  await page.setOfflineMode(false);

  // A new version: the page kept by the earlier one says so, and only the new
  // version's cache is left.
  if (await page.$eval("#update-note", (e) => !e.hidden)) fail("an update note before any update");
  nextVersion = true;
  await page.evaluate(async () => (await navigator.serviceWorker.getRegistration()).update());
  await page.waitForFunction(() => !document.getElementById("update-note").hidden, { timeout: 30000 });
  const keptCaches = () => page.evaluate(async () => (await caches.keys()).filter((n) => n.startsWith("starquill")).join());
  await page.waitForFunction(async () => (await caches.keys()).filter((n) => n.startsWith("starquill")).join() === "starquill-next",
    { timeout: 10000 }).catch(async () => fail(`the caches after an update: ${await keptCaches()}`));
  nextVersion = false;

  // Opened from the desktop: the browser hands the installed page's launch
  // consumer the file, as a stand-in put in place before the page's scripts does.
  const launched = await browser.newPage();
  launched.on("pageerror", (error) => fail(`the page threw: ${error.message}`));
  await launched.evaluateOnNewDocument(() => {
    const queue = { setConsumer: (consumer) => { window.launchConsumer = consumer; } };
    Object.defineProperty(window, "launchQueue", { value: queue, configurable: true });
  });
  await launched.goto(`${origin}/`);
  await launched.waitForFunction(() => document.getElementById("status").textContent.startsWith("Ready"),
    { timeout: 60000 });
  await launched.evaluate(async (name) => {
    const bytes = await (await fetch(`/inputs/${name}`)).arrayBuffer();
    await window.launchConsumer({ files: [{ getFile: async () => new File([bytes], name) }] });
  }, backgroundName);
  await launched.waitForFunction((name) => document.getElementById("status").textContent.startsWith(`${name}: read`),
    { timeout: 60000 }, backgroundName);
  if (!(await launched.$eval("#report", (e) => e.textContent)).includes("Report on")) fail("a launched file shows no report");
} finally {
  await browser.close();
  server.close();
  rmSync(work, { recursive: true, force: true });
}
finish("the page gives the native bytes, shows the sky and builds through the form");
