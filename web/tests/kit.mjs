// What the page's tests share: their count of failures, a byte comparison that
// shows where two outputs part, and the native command run in a folder.
import { spawnSync } from "node:child_process";

let failures = 0;

export function fail(text) {
  failures++;
  console.error(`FAIL ${text}`);
}

export function same(what, got, want) {
  const a = Buffer.from(got), b = Buffer.from(want);
  if (a.equals(b)) return;
  let at = 0;
  while (at < a.length && at < b.length && a[at] === b[at]) at++;
  fail(`${what}: ${a.length} bytes, native ${b.length}; first difference at byte ${at}`);
  console.error(`  wasm:   ${JSON.stringify(a.subarray(at, at + 60).toString("latin1"))}`);
  console.error(`  native: ${JSON.stringify(b.subarray(at, at + 60).toString("latin1"))}`);
}

// The native command `starquill` run in `dir`, its status and both outputs.
export function nativeRun(starquill, dir, args) {
  const run = spawnSync(starquill, args, { cwd: dir, maxBuffer: 1 << 30 });
  return { status: run.status, out: run.stdout, err: run.stderr };
}

// Ends the test: status 1 with the count of failures, or `passed` printed.
export function finish(passed) {
  if (failures > 0) {
    console.error(`${failures} failure(s)`);
    process.exit(1);
  }
  console.log(passed);
}
