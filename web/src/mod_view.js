// The mod view: the HOD files of a folder (or of several files given), checked
// one at a time in the worker, so the page holds one file's bytes at a time. It
// shows a table of them (sortable, filterable, each row opening that file), the
// text `starquill check -r` prints over the same files, and "Report all": one
// zip laid out as `starquill report -r --out-dir` lays out its outputs.
import { zipSync } from "fflate";

const $ = (id) => document.getElementById(id);

// Whether a file is taken, as the command line takes a folder's: ".hod" in its
// name, case and all.
export const isHodName = (path) => path.slice(path.lastIndexOf("/") + 1).includes(".hod");

// The order `check -r` walks a folder in: each folder's files and subfolders by
// name, a subfolder's files where its name falls.
function byPath(a, b) {
  const x = a.path.split("/"), y = b.path.split("/");
  for (let i = 0; i < Math.min(x.length, y.length); i++) {
    if (x[i] !== y[i]) return x[i] < y[i] ? -1 : 1;
  }
  return x.length - y.length;
}

// The files of a dropped folder (a FileSystemDirectoryEntry), with their paths
// from the folder's own name on.
export async function filesOfEntry(entry) {
  if (entry.isFile) {
    const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
    return [{ path: entry.fullPath.replace(/^\//, ""), file }];
  }
  const reader = entry.createReader();
  const children = [];
  for (;;) {
    const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
    if (batch.length === 0) break;
    children.push(...batch);
  }
  const found = [];
  for (const child of children) found.push(...(await filesOfEntry(child)));
  return found;
}

// The files of a folder chosen with showDirectoryPicker (a FileSystemDirectoryHandle),
// with their paths from the folder's own name on.
export async function filesOfHandle(handle, path = handle.name) {
  const found = [];
  for await (const child of handle.values()) {
    const childPath = `${path}/${child.name}`;
    if (child.kind === "file") found.push({ path: childPath, file: await child.getFile() });
    else found.push(...(await filesOfHandle(child, childPath)));
  }
  return found;
}

let current = 0;  // the mod view's job: a newer one or a Cancel ends the older

// Shows the mod view for `entries` ({path, file}), `inFolder` when they came
// from one folder (then the paths are sorted as the command line walks it).
// `open(file)` shows one file's page; `status(text, busy)`, where given,
// hears the view's progress too.
export async function showMod(starquill, entries, inFolder, { open, status: pageStatus }) {
  const status = (text, busy = false) => {
    $("mod-summary").textContent = text;
    pageStatus?.(text, busy);
  };
  const mine = ++current;
  const files = entries.filter((e) => isHodName(e.path));
  if (inFolder) files.sort(byPath);
  $("mod-section").hidden = false;
  $("mod-title").textContent = `${files.length} HOD file${files.length === 1 ? "" : "s"}`;
  const rows = files.map((e) => ({ ...e, kind: "", size: e.file.size, findings: null, worst: "",
    tr: document.createElement("tr") }));
  let checkText = "";
  let sortKey = null, descending = false;

  // A row's cells, made again when its file has been checked.
  const fill = (r) => {
    const link = Object.assign(document.createElement("button"), { type: "button", textContent: r.path });
    link.className = "link";
    link.onclick = () => open(r.file);
    const cells = [link, r.kind, String(r.size), r.findings === null ? "…" : String(r.findings), r.worst];
    r.tr.replaceChildren(...cells.map((cell) => {
      const td = document.createElement("td");
      td.append(cell);
      return td;
    }));
    r.tr.className = r.worst;
  };
  // The rows shown, in the order chosen.
  const draw = () => {
    const filter = $("mod-filter").value;
    const shown = rows.filter((r) => r.path.includes(filter));
    if (sortKey) {
      const order = { "": 0, clean: 1, warning: 2, error: 3, unreadable: 4 };
      const key = (r) => (sortKey === "worst" ? order[r.worst] : r[sortKey] ?? -1);
      shown.sort((a, b) => (key(a) < key(b) ? -1 : key(a) > key(b) ? 1 : 0) * (descending ? -1 : 1));
    }
    $("mod-rows").replaceChildren(...shown.map((r) => r.tr));
  };
  for (const th of document.querySelectorAll("#mod-table th button")) {
    th.onclick = () => {
      descending = sortKey === th.dataset.key ? !descending : false;
      sortKey = th.dataset.key;
      draw();
    };
  }
  $("mod-filter").value = "";
  $("mod-filter").oninput = draw;
  $("mod-check").textContent = "";
  $("mod-copy").disabled = $("mod-report-all").disabled = true;
  $("mod-cancel").hidden = false;
  $("mod-cancel").onclick = () => { if (mine === current) ++current; };
  rows.forEach(fill);
  draw();

  const progress = $("mod-progress");
  progress.max = Math.max(1, files.length);
  progress.hidden = false;
  // The files go to the worker in runs, which it reads itself (the page never
  // holds their bytes); the next run is asked for before one's answers are
  // shown, so the worker need not wait for the page.
  const run = 25;
  const ask = (from) => {
    const part = rows.slice(from, from + run);
    return starquill.checkFiles(part.map((r) => r.file), part.map((r) => r.path))
      .catch((error) => part.map(() => ({ error: error.message })));
  };
  let answers = ask(0);
  for (let from = 0; from < rows.length && mine === current; from += run) {
    status(`Checking ${from + 1} of ${rows.length}: ${rows[from].path}…`, true);
    const results = await answers;
    if (from + run < rows.length && mine === current) answers = ask(from + run);
    let text = "";
    for (const [i, result] of results.entries()) {
      const row = rows[from + i];
      if (result.error !== undefined) {
        row.worst = "unreadable";
      } else {
        const lines = result.out.split("\n").filter((l) => l.length > 0);
        row.kind = result.kind;
        row.findings = lines.length;
        const weight = (l) => l.slice(row.path.length).match(/^(?::\d+)?: (error|warning): /)?.[1];
        row.worst = lines.some((l) => weight(l) === "error") ? "error" : lines.length > 0 ? "warning" : "clean";
        text += result.out;
      }
      fill(row);
    }
    checkText += text;
    if (text) $("mod-check").append(text);
    progress.value = Math.min(rows.length, from + run);
  }
  draw();
  progress.hidden = true;
  $("mod-cancel").hidden = true;
  if (mine !== current) {
    status("The check of the mod was cancelled.");
    return;
  }
  // The command line's summary line.
  const n = rows.length, count = (worst) => rows.filter((r) => r.worst === worst).length;
  const summary = `${n} file${n === 1 ? "" : "s"}: ${count("clean")} clean, ${count("warning")} with warnings, ` +
    `${count("error")} with errors, ${count("unreadable")} unreadable`;
  status(summary);
  $("mod-copy").disabled = $("mod-report-all").disabled = false;
  $("mod-copy").onclick = () => navigator.clipboard.writeText(checkText);
  $("mod-report-all").onclick = () => reportAll(starquill, rows, mine, status);
}

// Every file's report and side files in one zip: REL/BASE/FILE, REL being the
// file's folder below the folder given and BASE its name up to ".hod".
async function reportAll(starquill, rows, mine, status) {
  const zip = {};
  for (const [index, row] of rows.entries()) {
    if (mine !== current) return;
    status(`Reporting ${index + 1} of ${rows.length}: ${row.path}…`, true);
    const name = row.file.name;
    const r = await starquill.report(new Uint8Array(await row.file.arrayBuffer()), name);
    const parts = row.path.split("/");
    const folder = [...parts.slice(1, -1), name.slice(0, name.indexOf(".hod"))].join("/");
    if (r.report) zip[`${folder}/${r.reportName}`] = r.report;
    for (const [file, data] of Object.entries(r.files)) zip[`${folder}/${file}`] = data;
  }
  const link = document.createElement("a");
  link.href = URL.createObjectURL(new Blob([zipSync(zip)], { type: "application/zip" }));
  link.download = `${rows[0]?.path.split("/")[0] ?? "mod"}-reports.zip`;
  link.click();
  status(`Reported ${rows.length} files.`);
}
