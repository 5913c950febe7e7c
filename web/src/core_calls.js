// The core's flows as JavaScript calls over a loaded module (StarquillCore):
// bytes in, the command line's bytes out. Shared by the page's worker, the Node
// test and the benchmark.

// The core is built without C++ exceptions: an allocation that fails leaves
// it by a throw JavaScript sees as a bare number, or a trap. Either way its
// state is not to be trusted after that; the caller starts a fresh core.
export class CoreStopped extends Error {}

function guarded(what, run) {
  try {
    return run();
  } catch (error) {
    if (typeof error === "number") throw new CoreStopped(`${what}: out of memory`);
    if (error instanceof WebAssembly.RuntimeError) throw new CoreStopped(`${what}: ${error.message}`);
    throw error;
  }
}

const encoder = new TextEncoder();
const decoder = new TextDecoder();

// The file's bytes in the module's heap, without a second copy kept there: the
// core takes the buffer over. Returns the handle, or throws when the heap
// cannot hold the file.
function putInput(core, bytes) {
  const what = `a file of ${bytes.length} bytes`;
  const input = guarded(what, () => core._sq_input_new(bytes.length));
  if (input === 0) throw new CoreStopped(what);
  const at = core._sq_input_data(input);
  core.HEAPU8.set(bytes, at);
  return input;
}

function withText(core, text, use) {
  const bytes = encoder.encode(text + "\0");
  const at = core._malloc(bytes.length);
  core.HEAPU8.set(bytes, at);
  try {
    return use(at);
  } finally {
    core._free(at);
  }
}

function copyOut(core, at, size) {
  return core.HEAPU8.slice(at, at + size);
}

// A result handle read whole and freed: status, stdout's and stderr's texts, the
// files by name (in the order written) and the preview's vertex lists.
function takeResult(core, result) {
  try {
    // The texts as bytes, as the command line prints them (a file's own names
    // may hold any byte), and as text read as UTF-8, as a terminal shows them.
    const outBytes = copyOut(core, core._sq_result_out(result), core._sq_result_out_size(result));
    const errBytes = copyOut(core, core._sq_result_err(result), core._sq_result_err_size(result));
    const files = {};
    const views = {};
    const count = core._sq_result_count(result);
    for (let i = 0; i < count; ++i) {
      const name = core.UTF8ToString(core._sq_result_name(result, i));
      const bytes = copyOut(core, core._sq_result_data(result, i), core._sq_result_size(result, i));
      (core._sq_result_is_view(result, i) ? views : files)[name] = bytes;
    }
    const status = core._sq_result_status(result);
    const background = core._sq_result_background(result) !== 0;
    return { status, out: decoder.decode(outBytes), err: decoder.decode(errBytes), outBytes, errBytes, files, views,
      background };
  } finally {
    core._sq_result_free(result);
  }
}

function call(core, bytes, name, run) {
  const input = putInput(core, bytes);
  return guarded(name, () => takeResult(core, withText(core, name, (nameAt) => run(input, nameAt))));
}

export function report(core, bytes, name, { soundTest = false } = {}) {
  return call(core, bytes, name, (input, at) => core._sq_report(input, at, soundTest ? 1 : 0));
}

export function check(core, bytes, name, { soundTest = false } = {}) {
  return call(core, bytes, name, (input, at) => core._sq_check(input, at, soundTest ? 1 : 0));
}

export function dump(core, bytes, name, { format = "json", tables = false, soundTest = false } = {}) {
  if (format !== "json" && format !== "tree") throw new Error(`format: "${format}" is neither "json" nor "tree"`);
  return call(core, bytes, name, (input, at) =>
    core._sq_dump(input, at, format === "tree" ? 1 : 0, tables ? 1 : 0, soundTest ? 1 : 0),
  );
}

// The window's Options at start, as the form shows them.
export function buildDefaults(core) {
  const stars = core._sq_build_default(4);
  return {
    density: core._sq_build_default(0),
    colourAverage: core._sq_build_default(1) !== 0,
    intensityLimit: core._sq_build_default(2) !== 0,
    increaseCapping: core._sq_build_default(3) !== 0,
    moreStars: stars > 0,
    lessStars: stars < 0,
    filter: false,
  };
}

export function build(core, bytes, name, options = {}) {
  const o = { ...buildDefaults(core), ...options };
  if (o.moreStars && o.lessStars) throw new Error("moreStars and lessStars exclude each other");
  const stars = o.moreStars ? 1 : o.lessStars ? -1 : 0;
  // The halftone question: Yes with filter, else its default (No), as without --filter.
  const filter = o.filter ? 1 : -1;
  return call(core, bytes, name, (input, at) =>
    core._sq_build(input, at, o.density, o.colourAverage ? 1 : 0, o.intensityLimit ? 1 : 0,
      o.increaseCapping ? 1 : 0, stars, filter),
  );
}

// The star-map textures a glTF export reads, handed to the core once: B02.tga
// fills the first star map's slot, B03.tga the second's.
const textureSlots = { "B02.tga": 0, "B03.tga": 1 };
export function putTextures(core, textures) {
  for (const [name, bytes] of Object.entries(textures)) {
    if (!(name in textureSlots)) continue;
    const input = putInput(core, bytes);
    guarded(name, () => withText(core, name, (nameAt) => core._sq_texture(textureSlots[name], input, nameAt)));
  }
}

// `starquill export-background NAME OUT.FORMAT [--size WxH]`: format "tga",
// "png" or "glb"; size "WxH" or {width, height}.
export function exportBackground(core, bytes, name, { format = "png", size } = {}) {
  if (!["tga", "png", "glb"].includes(format)) throw new Error(`format: "${format}" is not tga, png or glb`);
  let width = 0, height = 0;
  if (typeof size === "string") [width, height] = size.split(/x/i).map(Number);
  else if (size) ({ width, height } = size);
  return call(core, bytes, name, (input, at) =>
    withText(core, format, (formatAt) => core._sq_export(input, at, formatAt, width | 0, height | 0)),
  );
}
