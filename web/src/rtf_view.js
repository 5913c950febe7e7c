// The report's RTF shown as a word processor shows it: its text with the
// paragraphs, tabs and code-page characters RTF gives, a line followed by a
// rule of "=---=" as a heading, runs of lines with tab stops inside them as a
// table, leading tabs as indentation. Only the RTF the report writes is read:
// groups that are not text (the font table) are skipped, other control words
// are ignored.

// Windows-1252's characters 0x80-0x9F; the rest of the code page is Latin-1.
const cp1252 = "€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ";

function charOf(byte) {
  return byte >= 0x80 && byte < 0xa0 ? cp1252[byte - 0x80] : String.fromCharCode(byte);
}

// The RTF's paragraphs as plain lines ("\t" kept). `bytes` is a Uint8Array.
export function rtfLines(bytes) {
  const text = Array.from(bytes, (b) => String.fromCharCode(b)).join("");
  const lines = [];
  let line = "";
  let depth = 0;
  let skipBelow = Infinity;  // inside a group that holds no text
  for (let i = 0; i < text.length; ) {
    const c = text[i];
    if (c === "{") {
      depth++;
      i++;
      if (text.startsWith("\\fonttbl", i) || text.startsWith("\\colortbl", i) || text.startsWith("\\*", i)) {
        skipBelow = Math.min(skipBelow, depth);
      }
    } else if (c === "}") {
      if (depth === skipBelow) skipBelow = Infinity;
      depth--;
      i++;
    } else if (c === "\\") {
      const next = text[i + 1];
      if (next === "\\" || next === "{" || next === "}") {
        if (depth < skipBelow) line += next;
        i += 2;
      } else if (next === "'") {
        if (depth < skipBelow) line += charOf(parseInt(text.substr(i + 2, 2), 16));
        i += 4;
      } else {
        const word = /^\\([a-z]+)(-?\d+)? ?/.exec(text.slice(i, i + 40));
        if (!word) {
          i += 2;
          continue;
        }
        i += word[0].length;
        if (depth >= skipBelow) continue;
        if (word[1] === "par" || word[1] === "line") {
          lines.push(line);
          line = "";
        } else if (word[1] === "tab") {
          line += "\t";
        }
      }
    } else if (c === "\r" || c === "\n") {
      i++;
    } else {
      if (depth < skipBelow && depth > 0) line += c;
      i++;
    }
  }
  if (line.length > 0) lines.push(line);
  return lines;
}

const isRule = (line) => /^=-+=\s*$/.test(line);
const cellsOf = (line) => line.replace(/^\t+/, "").split("\t");
const isRow = (line) => cellsOf(line).length > 1;

// The lines as HTML elements appended to `into`.
export function renderReport(lines, into, doc = document) {
  into.replaceChildren();
  for (let i = 0; i < lines.length; i++) {
    const line = lines[i];
    if (i + 1 < lines.length && isRule(lines[i + 1]) && line.trim().length > 0) {
      const h = doc.createElement("h3");
      h.textContent = line;
      into.append(h);
      i++;
    } else if (isRow(line)) {
      const table = doc.createElement("table");
      for (; i < lines.length && isRow(lines[i]); i++) {
        const tr = table.insertRow();
        for (const cell of cellsOf(lines[i])) tr.insertCell().textContent = cell;
      }
      i--;
      into.append(table);
    } else if (line.trim().length === 0) {
      into.append(doc.createElement("br"));
    } else {
      const p = doc.createElement("p");
      const indent = /^\t*/.exec(line)[0].length;
      p.style.marginLeft = `${indent * 2}em`;
      p.textContent = line.slice(indent);
      into.append(p);
    }
  }
}
