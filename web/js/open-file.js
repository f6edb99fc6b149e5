// Opening a file, chosen with the picker or dropped on the page: a session
// the studio saved (JSON), or a parameter file, which the library's own
// reader reads on the server. Nothing of a file is used before it is read
// and checked; a file too big is refused before it is read at all.
import { api } from "./api.js";
import { MAX_SESSION_BYTES, readSessionText } from "./session.js";

const $ = (id) => document.getElementById(id);

// The server takes bodies of at most 64 KiB; a parameter file is some 300 bytes.
const MAX_PARAMETER_FILE_BYTES = 64 * 1024;

// A file's name for a message: at most 80 characters of it.
function shortName(file) {
  const name = String(file.name || "the file");
  return name.length > 80 ? `${name.slice(0, 77)}…` : name;
}

// What the line under the inputs says about the last file opened; notes are
// further lines (how a parameter file's records were read).
export function showOpened(text, { error = false, notes = [] } = {}) {
  const line = $("open-status");
  const lines = [text, ...notes].map((t) => Object.assign(document.createElement("p"), { textContent: t }));
  line.replaceChildren(...lines);
  line.classList.toggle("error", error);
}

function looksLikeJson(head) {
  return head.trimStart().startsWith("{");
}

// on: {session(session, name), design(design, name)}.
export async function openFile(file, fields, on) {
  const name = shortName(file);
  const limit = Math.max(MAX_SESSION_BYTES, MAX_PARAMETER_FILE_BYTES);
  if (file.size > limit) {
    showOpened(`${name} was not opened: ${file.size} bytes is too big for a session or a parameter file`, { error: true });
    return;
  }
  const text = await file.text();
  if (looksLikeJson(text.slice(0, 64))) {
    const read = readSessionText(text, fields);
    if (!read.ok) {
      showOpened(`${name} was not opened: ${read.reason}`, { error: true });
      return;
    }
    on.session(read.session, name);
    showOpened(`Opened the session ${name}: the design and ${read.session.variants.length} variants`);
    return;
  }
  try {
    const answer = await api.readParameterFile(file);
    on.design(answer.design, name);
    showOpened(`Opened ${name}`, { notes: (answer.notes ?? []).map((n) => n.text) });
  } catch (error) {
    showOpened(`${name} was not opened: ${error.message}`, { error: true });
  }
}

// The picker's input and dropping a file anywhere on the page.
export function wireFileOpening(fields, on) {
  const picker = $("open-file");
  picker.addEventListener("change", () => {
    const [file] = picker.files;
    picker.value = "";  // the same file may be opened again
    if (file) openFile(file, fields, on);
  });
  const carriesFiles = (event) => [...(event.dataTransfer?.types ?? [])].includes("Files");
  document.addEventListener("dragover", (event) => {
    if (!carriesFiles(event)) return;
    event.preventDefault();
    event.dataTransfer.dropEffect = "copy";
    document.body.classList.add("dropping");
  });
  document.addEventListener("dragleave", (event) => {
    if (event.relatedTarget === null) document.body.classList.remove("dropping");
  });
  document.addEventListener("drop", (event) => {
    document.body.classList.remove("dropping");
    if (!carriesFiles(event)) return;
    event.preventDefault();
    const [file] = event.dataTransfer.files;
    if (file) openFile(file, fields, on);
  });
}
