// The page's worker: loads the WebAssembly core and runs each call the page
// sends it, one at a time, so the page stays responsive. A call that brings the
// core down (it ran out of memory, say) is answered with the reason, and the
// next call gets a fresh core.
/* global importScripts, StarquillCore */
import * as calls from "./core_calls.js";

importScripts("starquill-core.js");

let corePromise = null;
// The core, with the star-map textures from the page's folder in its files.
function loadCore() {
  if (corePromise === null) {
    corePromise = (async () => {
      const core = await StarquillCore({ print: () => {}, printErr: (line) => console.warn(line) });
      const textures = {};
      for (const name of ["B02.tga", "B03.tga"]) {
        const response = await fetch(name);
        if (response.ok) textures[name] = new Uint8Array(await response.arrayBuffer());
      }
      calls.putTextures(core, textures);
      return core;
    })();
  }
  return corePromise;
}

// The buffers of every Uint8Array in a result, handed over instead of copied.
function transferables(value, list = []) {
  if (value instanceof Uint8Array) {
    list.push(value.buffer);
  } else if (value && typeof value === "object") {
    for (const item of Object.values(value)) transferables(item, list);
  }
  return list;
}

// `check` over several files the page hands over as File objects, read here (the
// page never holds their bytes): for each, the text check prints, or why it could
// not be checked. The browser reads a few files ahead while the core checks, as a
// file's read costs more in waiting than in bytes; so at most that many files are
// held at once. A core that stops on one file is replaced for the next.
async function checkFiles({ files, names, options }) {
  const ahead = 4;
  const reads = [];
  const readAhead = (i) => {
    if (i >= files.length) return;
    reads[i] = files[i].arrayBuffer();
    reads[i].catch(() => {});  // its failure is met where it is awaited
  };
  for (let i = 0; i < ahead; i++) readAhead(i);
  const results = [];
  for (let i = 0; i < files.length; i++) {
    readAhead(i + ahead);
    try {
      const bytes = new Uint8Array(await reads[i]);
      reads[i] = null;
      const { out, background } = calls.check(await loadCore(), bytes, names[i], options);
      results.push({ out, kind: background ? "background" : "model" });
    } catch (error) {
      if (error instanceof calls.CoreStopped || typeof error === "number") corePromise = null;
      results.push({ error: error instanceof Error ? error.message : `the core stopped: ${error}` });
    }
  }
  return results;
}

let checking = Promise.resolve();

const operations = {
  report: (core, m) => calls.report(core, m.bytes, m.name, m.options),
  check: (core, m) => calls.check(core, m.bytes, m.name, m.options),
  dump: (core, m) => calls.dump(core, m.bytes, m.name, m.options),
  build: (core, m) => calls.build(core, m.bytes, m.name, m.options),
  exportBackground: (core, m) => calls.exportBackground(core, m.bytes, m.name, m.options),
  buildDefaults: (core) => calls.buildDefaults(core),
};

self.onmessage = async (event) => {
  const message = event.data;
  const { id, op } = message;
  try {
    if (op === "checkFiles") {
      // Runs of files are checked one after another, though one waits for its reads.
      const run = checking.then(() => checkFiles(message));
      checking = run.catch(() => {});
      self.postMessage({ id, result: await run });
      return;
    }
    const run = operations[op];
    if (!run) throw new Error(`no such call: ${op}`);
    self.postMessage({ id, progress: "loading" });
    const core = await loadCore();
    self.postMessage({ id, progress: "working" });
    const result = run(core, message);
    self.postMessage({ id, result }, transferables(result));
  } catch (error) {
    // A core that stopped is not to be trusted again: the next call gets a fresh one.
    if (error instanceof calls.CoreStopped || typeof error === "number") corePromise = null;
    self.postMessage({ id, error: error instanceof Error ? error.message : `the core stopped: ${error}` });
  }
};
