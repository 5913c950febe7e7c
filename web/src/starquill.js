// The scripting face, window.starquill: each call runs in the page's worker and
// returns a Promise of the bytes the command line gives for the same input.
//   report(bytes, name, {soundTest})      -> {report, files: {NAME: bytes}, messages, preview}
//   check(bytes, name)                    -> the text `starquill check NAME` prints
//   dump(bytes, name, {format, tables})   -> the text of `starquill dump`
//   build(bytes, name, {density, colourAverage, intensityLimit, increaseCapping,
//         moreStars, lessStars, filter})  -> {hod, messages: [...], preview}
//   exportBackground(hodBytes, name, {format, size}) -> bytes
//   checkFiles(files, names)              -> [{out, kind} or {error}], one a file: the
//         text check prints for each File and its kind ("model" or "background"),
//         read in the worker, not on the page
// The bytes handed in are copied, so the caller's stay as they were.

function lines(text) {
  return text.split("\n").filter((line) => line.length > 0);
}

export class Starquill {
  constructor(workerUrl = "worker.js") {
    this.worker = new Worker(workerUrl);
    this.next = 1;
    this.pending = new Map();
    this.onprogress = null;  // (state) => {}: "loading", "working", "done"
    this.worker.onmessage = (event) => this.#answer(event.data);
    this.worker.onerror = (event) => {
      const reason = event.message || "the worker could not run";
      for (const { reject } of this.pending.values()) reject(new Error(reason));
      this.pending.clear();
    };
  }

  #answer(message) {
    const call = this.pending.get(message.id);
    if (!call) return;
    if (message.progress) {
      this.onprogress?.(message.progress);
      return;
    }
    this.pending.delete(message.id);
    this.onprogress?.("done");
    if (message.error !== undefined) call.reject(new Error(message.error));
    else call.resolve(message.result);
  }

  #call(op, bytes, name, options) {
    const id = this.next++;
    const copy = bytes === undefined ? undefined : new Uint8Array(bytes);
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject });
      this.worker.postMessage({ id, op, bytes: copy, name, options }, copy ? [copy.buffer] : []);
    });
  }

  async report(bytes, name, options = {}) {
    const r = await this.#call("report", bytes, name, options);
    const reportName = Object.keys(r.files).find((file) => file.endsWith(".HODreport.rtf"));
    const files = { ...r.files };
    delete files[reportName];
    return { report: r.files[reportName], reportName, files, messages: lines(r.err), status: r.status, preview: r.views };
  }

  async check(bytes, name, options = {}) {
    return (await this.#call("check", bytes, name, options)).out;
  }

  async dump(bytes, name, options = {}) {
    const r = await this.#call("dump", bytes, name, options);
    if (r.status !== 0) throw new Error(lines(r.err).join("\n"));
    return r.out;
  }

  async build(bytes, name, options = {}) {
    const r = await this.#call("build", bytes, name, options);
    const hodName = Object.keys(r.files)[0];
    return { hod: r.files[hodName], hodName, messages: lines(r.err), status: r.status, preview: r.views };
  }

  checkFiles(files, names, options = {}) {
    const id = this.next++;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject });
      this.worker.postMessage({ id, op: "checkFiles", files, names, options });
    });
  }

  buildDefaults() {
    return this.#call("buildDefaults");
  }

  async exportBackground(bytes, name, options = {}) {
    const r = await this.#call("exportBackground", bytes, name, options);
    const file = Object.values(r.files)[0];
    if (r.status !== 0 || !file) throw new Error(lines(r.err).join("\n") || "nothing was exported");
    return file;
  }
}
