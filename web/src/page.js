// The page: a file chooser, a folder chooser and drops for HOD files, pictures
// and mods (the mod view, mod_view.js). A HOD gets
// its report shown readably with the RTF and side files to download (each, or
// all as a zip), the check's findings, the foldable chunk tree and, for a
// background, the preview; a picture gets the builder's form. Every call runs
// in the worker through window.starquill.
import { zipSync } from "fflate";
import { filesOfEntry, filesOfHandle, isHodName, showMod } from "./mod_view.js";
import { Preview } from "./preview.js";
import { renderReport, rtfLines } from "./rtf_view.js";
import { Starquill } from "./starquill.js";

const $ = (id) => document.getElementById(id);

// A browser that starts no worker for a page opened from disk needs the page served.
let starquill;
try {
  starquill = new Starquill("worker.js");
  window.starquill = starquill;
} catch (error) {
  $("status").textContent =
    `This browser runs the page only when it is served (for example: python3 -m http.server -d FOLDER): ${error.message}`;
  throw error;
}
let preview = null;
let picture = null;  // {bytes, name} of the picture the form builds from
// Each choice of files and each file shown takes a turn, counted from when it
// is made; what comes back once a later turn has been taken is dropped, so one
// file's results never mix with another's.
let turn = 0;
let coreLoaded = false;
const opened = [];  // every File given, in the order given: read when shown

function status(text, busy = false) {
  $("status").textContent = text;
  $("progress").hidden = !busy;
}
starquill.onprogress = (state) => {
  if (state === "loading" && !coreLoaded) status("Loading the core…", true);
  else if (state === "working") $("progress").hidden = false;  // the status names the file at work
};

// What the page does with a file, told as the command line tells it: a HOD
// file by its name (".hod" at its end, or anywhere in a name that holds no
// ".tga"; case matters, as it always has), a picture by its first bytes (a
// TGA, which has none, by ".tga" in its name). "hod", "picture", or why not.
const selectHod = "Please select an Farhold HOD file.";
function startsWith(bytes, ...signature) {
  return signature.every((value, i) => bytes[i] === value);
}
function kindOf(name, bytes) {
  if (name.endsWith(".hod")) return { kind: "hod" };
  const text = (n) => String.fromCharCode(...bytes.subarray(0, n));
  if (startsWith(bytes, 0x89, 0x50, 0x4e, 0x47) || startsWith(bytes, 0xff, 0xd8, 0xff) ||
      text(10) === "#?RADIANCE" || text(6) === "#?RGBE") return { kind: "picture" };
  if (startsWith(bytes, 0x76, 0x2f, 0x31, 0x01))
    return { refusal: `${name}: this page does not read OpenEXR pictures (the command line and the window do)` };
  const hod = name.indexOf(".hod"), tga = name.indexOf(".tga");
  if (tga >= 0 && (hod < 0 || tga < hod)) return { kind: "picture" };
  if (hod >= 0) return { kind: "hod" };
  if (name.toLowerCase().includes(".hod")) return { refusal: `${name}: ${selectHod}` };
  return { refusal: `${name}: not a picture of a kind read here (PNG, JPEG, Radiance HDR, or a 32-bit TGA whose name holds ".tga")` };
}

// The core's words for the window's menus, as this page names its controls.
function onThisPage(message) {
  return message.replace(/the option in the <Tools> menu/g, "the \u201cFilter a halftoned picture\u201d box");
}

function download(bytes, name, type = "application/octet-stream") {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  const a = document.createElement("a");
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

function downloadLink(bytes, name) {
  const a = document.createElement("a");
  a.href = "#";
  a.textContent = `${name} (${bytes.length} bytes)`;
  a.addEventListener("click", (e) => {
    e.preventDefault();
    download(bytes, name);
  });
  return a;
}

// The exports of a background (a HOD read or one just built): an
// equirectangular TGA or PNG, or a glTF scene, each downloaded when made.
function offerExports(hodBytes, hodName, into) {
  into.replaceChildren();
  const base = hodName.replace(/\.hod.*$/, "");
  for (const [format, label] of [["png", "Export PNG"], ["tga", "Export TGA"], ["glb", "Export glTF (.glb)"]]) {
    const button = document.createElement("button");
    button.textContent = label;
    button.dataset.format = format;
    button.onclick = async () => {
      try {
        const bytes = await starquill.exportBackground(hodBytes, hodName, { format });
        download(bytes, `${base}.${format}`);
        status(`${hodName}: exported ${base}.${format} (${bytes.length} bytes)`);
      } catch (error) {
        status(`${hodName}: ${error.message}`);
      }
    };
    into.append(button);
  }
}

// The preview goes where the file's results are: above a HOD's report, below
// the builder's form.
function showPreview(views, after) {
  const any = views && ["mesh", "stars", "starmap1", "starmap2"].some((k) => views[k] && views[k].length > 0);
  after.after($("preview-section"));
  $("preview-section").hidden = !any;
  if (!any) return;
  if (preview === null) preview = new Preview($("preview"));
  preview.show(views);
  for (const box of document.querySelectorAll("[data-layer]")) preview.setLayer(box.dataset.layer, box.checked);
}

// The chunk tree of `dump --format tree` as nested, foldable entries: a line
// indented deeper than the one before is its child.
function renderTree(text, into) {
  into.replaceChildren();
  const stack = [{ depth: -1, list: into }];
  const lines = text.split("\n").filter((line) => !/^\s*[\]}]?\s*$/.test(line));
  const depthOf = (line) => /^ */.exec(line)[0].length;
  lines.forEach((line, i) => {
    // The closing "}" and "]" lines end an entry, which folding shows: the
    // opening ones go with them.
    const depth = depthOf(line);
    const text = line.trim().replace(/\s*[{[]$/, "");
    while (stack.length > 1 && stack[stack.length - 1].depth >= depth) stack.pop();
    const parent = stack[stack.length - 1].list;
    if (i + 1 < lines.length && depthOf(lines[i + 1]) > depth) {
      const details = document.createElement("details");
      const summary = document.createElement("summary");
      summary.textContent = text;
      details.append(summary);
      details.open = stack.length < 3;
      parent.append(details);
      stack.push({ depth, list: details });
    } else {
      // A leaf is a line, not a Tab stop.
      parent.append(Object.assign(document.createElement("div"), { className: "leaf", textContent: text }));
    }
  });
}

async function openHod(bytes, name, mine) {
  const r = await starquill.report(bytes, name);
  const check = await starquill.check(bytes, name);
  const tree = await starquill.dump(bytes, name, { format: "tree" });
  if (mine !== turn) return;  // a later file is shown
  $("builder-section").hidden = true;
  $("hod-section").hidden = false;
  $("hod-name").textContent = name;
  $("report-messages").textContent = r.messages.map(onThisPage).join("\n");
  if (r.report) renderReport(rtfLines(r.report), $("report"));
  else $("report").replaceChildren();
  const files = $("files");
  files.replaceChildren();
  const all = r.report ? { [r.reportName]: r.report, ...r.files } : { ...r.files };
  for (const [file, data] of Object.entries(all)) {
    const li = document.createElement("li");
    li.append(downloadLink(data, file));
    files.append(li);
  }
  $("zip").onclick = () => {
    const base = name.replace(/\.hod.*$/, "");
    download(zipSync(all), `${base}-report.zip`, "application/zip");
  };
  $("zip").disabled = Object.keys(all).length === 0;

  const list = $("check");
  list.replaceChildren();
  for (const line of check.split("\n").filter((l) => l.length > 0)) {
    const li = document.createElement("li");
    li.textContent = line;
    li.className = line.includes(": error: ") ? "error" : "warning";
    list.append(li);
  }
  if (list.children.length === 0) list.append(Object.assign(document.createElement("li"), { textContent: "No findings." }));

  renderTree(tree, $("tree"));
  showPreview(r.preview, $("hod-name"));
  if ($("preview-section").hidden) $("exports").replaceChildren();
  else offerExports(bytes, name, $("exports"));
  // A damaged file says so: the check's first error (where the walk ended).
  const error = check.split("\n").find((line) => line.includes(": error: "));
  if (error) status(`${name}: read, but ${error.slice(error.indexOf(": error: ") + 9)}`);
  else status(`${name}: ${r.status === 0 ? "read" : "read with problems"}`);
}

async function openPicture(bytes, name) {
  $("hod-section").hidden = true;
  $("builder-section").hidden = false;
  $("picture-name").textContent = name;
  $("build-result").replaceChildren();
  $("build-messages").textContent = "";
  $("preview-section").hidden = true;
  picture = { bytes, name };
  status(`${name}: choose the options and Build`);
}

function formOptions() {
  const stars = document.querySelector("input[name=stars]:checked").value;
  return {
    density: Number($("density").value),
    colourAverage: $("colourAverage").checked,
    intensityLimit: $("intensityLimit").checked,
    increaseCapping: $("increaseCapping").checked,
    moreStars: stars === "more",
    lessStars: stars === "less",
    filter: $("filter").checked,
  };
}

async function build() {
  if (!picture) return;
  const mine = turn, from = picture;
  $("build").disabled = true;
  status(`${from.name}: building…`, true);
  let r;
  try {
    r = await starquill.build(from.bytes, from.name, formOptions());
  } finally {
    $("build").disabled = false;
  }
  if (mine !== turn) return;  // another file was chosen meanwhile
  $("build-messages").textContent = r.messages.map(onThisPage).join("\n");
  const result = $("build-result");
  result.replaceChildren();
  if (r.hod) {
    const button = document.createElement("button");
    button.id = "download-hod";
    button.textContent = `Download ${r.hodName}`;
    button.onclick = () => download(r.hod, r.hodName);
    result.append(button);
    showPreview(r.preview, result);
    offerExports(r.hod, r.hodName, $("exports"));
    status(`${from.name}: built ${r.hodName} (${r.hod.length} bytes)`);
  } else {
    status(`${from.name}: not built`);
  }
}

// Shows one of the files given: a HOD's results or a picture's form. Returns
// the turn it took.
async function show(file) {
  const mine = ++turn;
  for (const button of document.querySelectorAll("#opened button")) {
    button.setAttribute("aria-current", String(button.dataset.index === String(opened.indexOf(file))));
  }
  try {
    status(`Reading ${file.name}…`, true);
    const bytes = new Uint8Array(await file.arrayBuffer());
    if (mine !== turn) return mine;
    const { kind, refusal } = kindOf(file.name, bytes);
    if (refusal) {
      status(refusal);
      return mine;
    }
    if (kind === "hod") await openHod(bytes, file.name, mine);
    else await openPicture(bytes, file.name);
  } catch (error) {
    if (mine === turn) status(`${file.name}: ${error.message}`);
  }
  return mine;
}

// The files given (chosen or dropped, one or many, a mod's folder): each is
// listed, and shown in turn; the last stays shown, the others a click away.
async function openFiles(fileList) {
  const files = [...fileList];
  if (files.length === 0) return;
  let mine = ++turn;
  opened.push(...files);
  const list = $("opened");
  list.replaceChildren();
  opened.forEach((file, index) => {
    const button = Object.assign(document.createElement("button"), { textContent: file.name, type: "button" });
    button.dataset.index = String(index);
    button.onclick = () => show(file);
    const item = document.createElement("li");
    item.append(button);
    list.append(item);
  });
  $("opened-section").hidden = opened.length < 2;
  if (files.filter((file) => isHodName(file.name)).length > 1) {
    // Several HOD files: the mod view too, on its own status line.
    showMod(starquill, files.map((file) => ({ path: file.name, file })), false, { open: show });
  }
  // A slower read of files given earlier does not replace the later ones: listed, not shown.
  for (const file of files) {
    if (mine !== turn) break;
    mine = await show(file);
  }
}

async function setUpForm() {
  const defaults = await starquill.buildDefaults();
  $("density").value = String(defaults.density);
  $("colourAverage").checked = defaults.colourAverage;
  $("intensityLimit").checked = defaults.intensityLimit;
  $("increaseCapping").checked = defaults.increaseCapping;
  const stars = defaults.moreStars ? "more" : defaults.lessStars ? "less" : "normal";
  document.querySelector(`input[name=stars][value=${stars}]`).checked = true;
  $("filter").checked = defaults.filter;
  coreLoaded = true;
  status("Ready: choose or drop a HOD file or a sky picture.");
}

// A mod's folder, chosen or dropped: the mod view over its HOD files.
function openFolder(entries) {
  $("hod-section").hidden = $("builder-section").hidden = $("preview-section").hidden = true;
  showMod(starquill, entries, true, { open: show, status });
}
// Where the browser offers it, the folder is chosen with showDirectoryPicker,
// which reads it where it is; elsewhere the input uploads the folder's files.
$("folder-chooser").addEventListener("click", (e) => {
  if (!("showDirectoryPicker" in window)) return;
  e.preventDefault();
  window.showDirectoryPicker({ id: "mod" })
    .then(filesOfHandle)
    .then(openFolder)
    .catch((error) => { if (error.name !== "AbortError") status(`The folder could not be read: ${error.message}`); });
});
$("folder-chooser").addEventListener("change", (e) => {
  const entries = [...e.target.files].map((file) => ({ path: file.webkitRelativePath || file.name, file }));
  e.target.value = "";
  openFolder(entries);
});
$("chooser").addEventListener("change", (e) => {
  const files = [...e.target.files];
  e.target.value = "";  // the same file chosen again is read again
  openFiles(files);
});
$("build").addEventListener("click", () => build().catch((error) => status(error.message)));
for (const box of document.querySelectorAll("[data-layer]")) {
  box.addEventListener("change", () => preview?.setLayer(box.dataset.layer, box.checked));
}
// The outline stays while a drag is over the page, whichever element it crosses.
let dragDepth = 0;
document.addEventListener("dragenter", (e) => {
  e.preventDefault();
  dragDepth++;
  document.body.classList.add("dropping");
});
document.addEventListener("dragover", (e) => e.preventDefault());
document.addEventListener("dragleave", () => {
  if (--dragDepth <= 0) {
    dragDepth = 0;
    document.body.classList.remove("dropping");
  }
});
document.addEventListener("drop", (e) => {
  e.preventDefault();
  dragDepth = 0;
  document.body.classList.remove("dropping");
  // A folder among the things dropped: all of them go to the mod view.
  const entries = [...e.dataTransfer.items].map((item) => item.webkitGetAsEntry?.()).filter(Boolean);
  if (entries.some((entry) => entry.isDirectory)) {
    Promise.all(entries.map(filesOfEntry)).then((found) => openFolder(found.flat()));
  } else {
    openFiles(e.dataTransfer.files);
  }
});
// Installed, the page opens with no network: its service worker keeps the
// page's files, registered once the page is ready so that its fetching them
// does not hold up the first load. A page kept by an earlier version's worker
// hears when a new version takes over.
function keepForOffline() {
  if (!("serviceWorker" in navigator) || !location.protocol.startsWith("http")) return;
  const keptBefore = navigator.serviceWorker.controller !== null;
  navigator.serviceWorker.addEventListener("controllerchange", () => {
    if (keptBefore) $("update-note").hidden = false;
  });
  $("update-reload").addEventListener("click", () => location.reload());
  navigator.serviceWorker.register("service_worker.js").catch(() => {});
}
setUpForm()
  .then(keepForOffline)
  .catch((error) => status(`The core could not be loaded: ${error.message}`));

// Files opened with the installed page from the desktop (its file handlers) arrive here.
if ("launchQueue" in window) {
  window.launchQueue.setConsumer(async (params) => {
    const files = [];
    for (const handle of params.files ?? []) files.push(await handle.getFile());
    if (files.length > 0) openFiles(files);
  });
}
