// The WebAssembly core in Node against the native command, in one run on one
// machine: the report of a large model from its bytes to the report's bytes,
// and the build of a picture, each timed back to back with `starquill report`
// and `starquill build-background` as whole processes. The best of the
// iterations counts for both; prints each pair and the ratio, and exits 1 when
// a ratio is above its target (3x).
// Usage: node --no-experimental-fetch web_bench.mjs STARQUILL WEB_DIR MODEL.hod PICTURE
import { spawnSync } from "node:child_process";
import { copyFileSync, mkdtempSync, readFileSync, rmSync } from "node:fs";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import { basename, join, resolve } from "node:path";
import * as calls from "../src/core_calls.js";

const [starquill, webDir, model, picture] = process.argv.slice(2).map((a) => resolve(a));
const core = await createRequire(import.meta.url)(join(webDir, "starquill-core.js"))();
const work = mkdtempSync(join(tmpdir(), "sq-web-bench-"));
const target = 3;

function seconds(run) {
  const start = process.hrtime.bigint();
  run();
  return Number(process.hrtime.bigint() - start) / 1e9;
}

function native(args) {
  const r = spawnSync(starquill, args, { cwd: work });
  if (r.status !== 0) throw new Error(`starquill ${args.join(" ")}: ${r.stderr}`);
}

function measure(label, iterations, wasmRun, nativeRun) {
  let wasm = Infinity, nat = Infinity;
  for (let i = 0; i < iterations; i++) {
    wasm = Math.min(wasm, seconds(wasmRun));
    nat = Math.min(nat, seconds(nativeRun));
  }
  const ratio = wasm / nat;
  console.log(`${label.padEnd(44)} wasm ${(wasm * 1000).toFixed(1).padStart(8)} ms  native ${(nat * 1000).toFixed(1).padStart(8)} ms  ${ratio.toFixed(2)}x  (target <= ${target}x ${ratio <= target ? "met" : "MISSED"})`);
  return ratio <= target;
}

let met = true;
try {
  const modelBytes = readFileSync(model);
  const modelName = basename(model);
  copyFileSync(model, join(work, modelName));
  met = measure(`report, ${(modelBytes.length / 1e6).toFixed(0)} MB model`, 5,
    () => { if (calls.report(core, modelBytes, modelName).status !== 0) throw new Error("the report failed"); },
    () => native(["report", modelName])) && met;

  const pictureBytes = readFileSync(picture);
  const pictureName = basename(picture);
  copyFileSync(picture, join(work, pictureName));
  met = measure(`build, ${pictureName}`, 7,
    () => { if (calls.build(core, pictureBytes, pictureName).status !== 0) throw new Error("the build failed"); },
    () => native(["build-background", pictureName])) && met;
} finally {
  rmSync(work, { recursive: true, force: true });
}
process.exit(met ? 0 : 1);
