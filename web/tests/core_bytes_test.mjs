// The WebAssembly core in Node against the native program: for each HOD given,
// report (every file it writes), check, dump (json, json --tables, tree) must
// give the native command's bytes; for each picture, build-background must give
// the same HOD. A damaged copy of each HOD (cut short, a chunk size raised) goes
// the same way, so the messages of a bad file are compared too.
// Usage: node --no-experimental-fetch core_bytes_test.mjs STARQUILL WEB_DIR FILE...
import { mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from "node:fs";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import { basename, dirname, join, resolve } from "node:path";
import * as calls from "../src/core_calls.js";
import { fail, finish, nativeRun, same } from "./kit.mjs";

const [starquill, webDir, ...inputs] = process.argv.slice(2).map((arg) => resolve(arg));
const require = createRequire(import.meta.url);
const core = await require(join(webDir, "starquill-core.js"))();
calls.putTextures(core, Object.fromEntries(["B02.tga", "B03.tga"].map((t) => [t, readFileSync(join(webDir, t))])));
const work = mkdtempSync(join(tmpdir(), "sq-core-"));
// The native command run in `dir` on the file by its bare name, so the paths it
// prints are the names the page is given.
const native = (dir, args) => nativeRun(starquill, dir, args);

function compareHod(path, bytes) {
  const name = basename(path);
  const dir = mkdtempSync(join(work, "hod-"));
  writeFileSync(join(dir, name), bytes);
  const before = new Set(readdirSync(dir));

  const report = calls.report(core, bytes, name);
  const want = native(dir, ["report", name]);
  same(`${name}: report status`, [report.status], [want.status]);
  same(`${name}: report stderr`, report.errBytes, want.err);
  const written = readdirSync(dir).filter((f) => !before.has(f)).sort();
  same(`${name}: the files the report writes`, Object.keys(report.files).sort().join("\n"), written.join("\n"));
  for (const file of written) same(`${name}: ${file}`, report.files[file] ?? [], readFileSync(join(dir, file)));

  const check = calls.check(core, bytes, name);
  const wantCheck = native(dir, ["check", name]);
  same(`${name}: check`, check.outBytes, wantCheck.out);
  same(`${name}: check status`, [check.status], [wantCheck.status]);

  for (const [options, args] of [
    [{}, []],
    [{ tables: true }, ["--tables"]],
    [{ format: "tree" }, ["--format", "tree"]],
    [{ format: "tree", tables: true }, ["--format", "tree", "--tables"]],
  ]) {
    const dump = calls.dump(core, bytes, name, options);
    same(`${name}: dump ${args.join(" ")}`, dump.outBytes, native(dir, ["dump", ...args, name]).out);
  }
}

// A background's exports: each format as export-background writes it, the
// glTF scene with the star-map textures the build made beside the page.
function compareExports(path, bytes) {
  const name = basename(path);
  const dir = mkdtempSync(join(work, "export-"));
  writeFileSync(join(dir, name), bytes);
  for (const [format, size] of [["png", undefined], ["tga", "64x32"], ["glb", undefined]]) {
    const got = calls.exportBackground(core, bytes, name, { format, size });
    const out = name.replace(/\.[^.]*$/, `.${format}`);
    const want = native(dir, ["export-background", name, out, ...(size ? ["--size", size] : [])]);
    same(`${name}: export ${format} status`, [got.status], [want.status]);
    same(`${name}: export ${format} stderr`, got.errBytes, want.err);
    if (want.status === 0) same(`${name}: export ${format}`, got.files[out] ?? [], readFileSync(join(dir, out)));
  }
}

// Damaged copies: cut in the middle, and the first chunk's size past the end.
function damaged(bytes) {
  const cut = bytes.slice(0, Math.floor(bytes.length / 2) + 3);
  const grown = bytes.slice();
  if (grown.length >= 12) new DataView(grown.buffer).setUint32(8, 0x7ffffff0, false);
  return [["cut", cut], ["grown", grown]];
}

function comparePicture(path) {
  const name = basename(path);
  const bytes = readFileSync(path);
  for (const [options, args] of [
    [{}, []],
    [{ density: 16, colourAverage: true, moreStars: true }, ["--density", "16", "--colour-average", "--more-stars"]],
  ]) {
    const dir = mkdtempSync(join(work, "pic-"));
    writeFileSync(join(dir, name), bytes);
    const built = calls.build(core, bytes, name, options);
    const want = native(dir, ["build-background", name, ...args]);
    same(`${name} ${args.join(" ")}: build status`, [built.status], [want.status]);
    same(`${name} ${args.join(" ")}: build stderr`, built.errBytes, want.err);
    const hodName = name.replace(/\.[^.]*$/, "") + ".hod";
    same(`${name} ${args.join(" ")}: the HOD`, built.files[hodName] ?? [], readFileSync(join(dir, hodName)));
    if (!built.views.mesh || built.views.mesh.length === 0) {
      fail(`${name}: the build gives no preview mesh`);
    }
  }
}

// A picture cut short gets the command line's refusal, word for word.
function compareDamagedPicture(path) {
  const name = basename(path).replace(/(\.[^.]*)$/, "-cut$1");
  const bytes = readFileSync(path);
  const cut = bytes.subarray(0, Math.floor(bytes.length / 3));
  const dir = mkdtempSync(join(work, "cut-"));
  writeFileSync(join(dir, name), cut);
  const built = calls.build(core, cut, name);
  const want = native(dir, ["build-background", name]);
  same(`${name}: build status`, [built.status], [want.status]);
  same(`${name}: build stderr`, built.errBytes, want.err);
  if (want.status === 0) fail(`${name}: a cut picture was built`);
}

try {
  for (const path of inputs) {
    if (/\.hod$/.test(path)) {
      const bytes = readFileSync(path);
      compareHod(path, bytes);
      compareExports(path, bytes);
      for (const [how, copy] of damaged(bytes)) compareHod(path.replace(/\.hod$/, `-${how}.hod`), copy);
    } else {
      comparePicture(path);
      compareDamagedPicture(path);
    }
  }
  // A file larger than the core's memory stops it with a reason, not a bare
  // number; a fresh core then works as before.
  try {
    calls.report(core, { length: 4000000000 }, "huge.hod");
    fail("a 4 GB file was taken");
  } catch (error) {
    if (!(error instanceof calls.CoreStopped) || !/out of memory/.test(error.message)) fail(`huge file: ${error}`);
  }
  const fresh = await require(join(webDir, "starquill-core.js"))();
  const sample = inputs.find((p) => p.endsWith(".hod"));
  same("a fresh core's check", calls.check(fresh, readFileSync(sample), basename(sample)).outBytes,
    native(dirname(sample), ["check", basename(sample)]).out);

  // A name the report refuses gets the command line's refusal.
  const refused = calls.report(fresh, new Uint8Array(16), "notes.txt");
  same("refused name: status", [refused.status], [native(work, ["report", "notes.txt"]).status]);
  same("refused name: stderr", refused.errBytes, native(work, ["report", "notes.txt"]).err);
} finally {
  rmSync(work, { recursive: true, force: true });
}
finish(`the WebAssembly core gives the native bytes for ${inputs.length} file(s)`);
