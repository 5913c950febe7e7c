// The page: one file chooser (and drops) for HOD files and pictures. A HOD gets
// its report shown readably with the RTF and side files to download (each, or
// all as a zip), the check's findings, the foldable chunk tree and, for a
// background, the preview; a picture gets the builder's form. Every call runs
// in the worker through window.starquill.
import { zipSync } from "fflate";
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

function status(text, busy = false) {
  $("status").textContent = text;
  $("progress").hidden = !busy;
}
starquill.onprogress = (state) => {
  if (state === "loading") status("Loading the core…", true);
  else if (state === "working") status("Working…", true);
};

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

function showPreview(views) {
  const any = views && ["mesh", "stars", "starmap1", "starmap2"].some((k) => views[k] && views[k].length > 0);
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
  for (const line of text.split("\n")) {
    // The closing "}" and "]" lines end an entry; folding shows that already.
    if (/^\s*[\]}]?\s*$/.test(line)) continue;
    const depth = /^ */.exec(line)[0].length;
    while (stack.length > 1 && stack[stack.length - 1].depth >= depth) stack.pop();
    const details = document.createElement("details");
    const summary = document.createElement("summary");
    summary.textContent = line.trim();
    details.append(summary);
    details.open = stack.length < 3;
    stack[stack.length - 1].list.append(details);
    stack.push({ depth, list: details });
  }
  // An entry without children shows no marker.
  for (const d of into.querySelectorAll("details")) if (d.children.length === 1) d.classList.add("leaf");
}

async function openHod(bytes, name) {
  $("builder-section").hidden = true;
  $("hod-section").hidden = false;
  $("hod-name").textContent = name;
  const r = await starquill.report(bytes, name);
  $("report-messages").textContent = r.messages.join("\n");
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

  const check = await starquill.check(bytes, name);
  const list = $("check");
  list.replaceChildren();
  for (const line of check.split("\n").filter((l) => l.length > 0)) {
    const li = document.createElement("li");
    li.textContent = line;
    li.className = line.includes(": error: ") ? "error" : "warning";
    list.append(li);
  }
  if (list.children.length === 0) list.append(Object.assign(document.createElement("li"), { textContent: "No findings." }));

  renderTree(await starquill.dump(bytes, name, { format: "tree" }), $("tree"));
  showPreview(r.preview);
  if ($("preview-section").hidden) $("exports").replaceChildren();
  else offerExports(bytes, name, $("exports"));
  status(`${name}: ${r.status === 0 ? "read" : "read with problems"}`);
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
  const r = await starquill.build(picture.bytes, picture.name, formOptions());
  $("build-messages").textContent = r.messages.join("\n");
  const result = $("build-result");
  result.replaceChildren();
  if (r.hod) {
    const button = document.createElement("button");
    button.id = "download-hod";
    button.textContent = `Download ${r.hodName}`;
    button.onclick = () => download(r.hod, r.hodName);
    result.append(button);
    showPreview(r.preview);
    offerExports(r.hod, r.hodName, $("exports"));
    status(`${picture.name}: built ${r.hodName} (${r.hod.length} bytes)`);
  } else {
    status(`${picture.name}: not built`);
  }
}

async function openFiles(fileList) {
  for (const file of fileList) {
    try {
      status(`Reading ${file.name}…`, true);
      const bytes = new Uint8Array(await file.arrayBuffer());
      if (/\.hod/.test(file.name)) await openHod(bytes, file.name);
      else await openPicture(bytes, file.name);
    } catch (error) {
      status(`${file.name}: ${error.message}`);
    }
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
  status("Ready: choose or drop a HOD file or a sky picture.");
}

$("chooser").addEventListener("change", (e) => openFiles(e.target.files));
$("build").addEventListener("click", () => build().catch((error) => status(error.message)));
for (const box of document.querySelectorAll("[data-layer]")) {
  box.addEventListener("change", () => preview?.setLayer(box.dataset.layer, box.checked));
}
document.addEventListener("dragover", (e) => {
  e.preventDefault();
  document.body.classList.add("dropping");
});
document.addEventListener("dragleave", () => document.body.classList.remove("dropping"));
document.addEventListener("drop", (e) => {
  e.preventDefault();
  document.body.classList.remove("dropping");
  openFiles(e.dataTransfer.files);
});
setUpForm().catch((error) => status(`The core could not be loaded: ${error.message}`));
