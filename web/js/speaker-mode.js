// The speaker mode: a speaker of several drivers read from a speaker file
// (opened, dropped, or the shipped example), its baffle and drivers drawn to
// scale and each driver draggable, every driver's curve and their sum on axis
// on the plot, the sum's directivity round both planes, and the speaker file
// as the server writes it. Every number comes from POST /api/speaker.
import { saveFile } from "./api.js";
import { Directivity } from "./directivity.js";
import { Palette } from "./palette.js";
import { ResponsePlot } from "./response-plot.js";
import { SpeakerDrawing } from "./speaker-drawing.js";
import { frdZip, speakerEntryName } from "./speaker-frd.js";
import { SpeakerRequests, postSpeaker } from "./speaker-requests.js";

const $ = (id) => document.getElementById(id);

const EXAMPLE = "/examples/two-way.toml";
const MAX_FILE_BYTES = 64 * 1024;  // the server's body limit
// The directivity, a listen per angle and driver, is asked once changes rest.
const DIRECTIVITY_DELAY_MS = 300;
const DRIVER_COLOURS = ["#b45309", "#047857", "#7c3aed", "#be123c", "#0e7490", "#4d7c0f"];

const state = {
  answer: null,       // the newest answer drawn
  ms: null,           // its round trip
  fileName: "speaker.toml",
  directivity: null,  // {text, step, data}: the answer whose directivity is drawn
  directivityController: null,
  directivityTimer: null,
  planes: null,
  frdZipping: false,  // an FRD zip on its way
};

const plot = new ResponsePlot($("speaker-plot"));
const spinPlot = new ResponsePlot($("speaker-spin-plot"));
// The spin's curves as the answer names them, with their labels and strokes.
const SPIN_CURVES = [
  ["onAxis", "On axis", "#1d4ed8", 2],
  ["listeningWindow", "Listening window", "#047857", 1.5],
  ["earlyReflections", "Early reflections", "#b45309", 1.5],
  ["soundPower", "Sound power", "#be123c", 1.5],
  ["estimatedInRoom", "Estimated in-room", "#7c3aed", 1.5],
  ["soundPowerDi", "Sound power DI", "#be123c", 1, [4, 3]],
  ["earlyReflectionsDi", "Early reflections DI", "#b45309", 1, [4, 3]],
];
const drawing = new SpeakerDrawing($("speaker-drawing"), (index, x, y) => {
  cancelDirectivity();
  requests.change({ move: `${index}:${x}:${y}` });
});
const requests = new SpeakerRequests({
  answer(data, ms) {
    state.answer = data;
    state.ms = ms;
    showAnswer();
    scheduleDirectivity();
  },
  error(error) {
    drawing.release();
    const where = error.where ? ` (line ${error.where.line}, column ${error.where.column})` : "";
    setStatus(`${error.message}${where}`, true);
  },
});

function setStatus(text, error = false) {
  const status = $("speaker-status");
  status.textContent = text;
  status.classList.toggle("error", error);
}

function settings() {
  const grid = Number.parseInt($("speaker-grid").value, 10);
  return { grid: Number.isInteger(grid) ? String(grid) : "4" };
}

function curvesOf(answer) {
  const curves = answer.drivers.map((driver, i) => ({
    key: `driver-${i}`, label: driver.name, stroke: DRIVER_COLOURS[i % DRIVER_COLOURS.length],
    width: 1.5, levels: driver.levels,
  }));
  curves.push({ key: "sum", label: "Sum", stroke: "#1d4ed8", width: 2.5, levels: answer.sum.levels });
  return curves;
}

function showBaffle(baffle) {
  const polygon = baffle.polygonCm.length >= 3;
  const boxes = ["speaker-width", "speaker-height", "speaker-corners", "speaker-corner-size"];
  for (const id of boxes) $(id).disabled = polygon;
  $("speaker-baffle-note").textContent = polygon ? "A polygon baffle: edit it in the file." : "";
  if (document.activeElement && boxes.includes(document.activeElement.id)) return;
  $("speaker-width").value = baffle.widthCm;
  $("speaker-height").value = baffle.heightCm;
  $("speaker-corners").value = baffle.corners;
  $("speaker-corner-size").value = baffle.cornerSizeCm;
}

function showAnswer() {
  const a = state.answer;
  drawing.show({ baffle: a.baffle, drivers: a.drivers, referenceCm: a.referenceCm });
  showBaffle(a.baffle);
  plot.show(a.frequencies, curvesOf(a));
  const solved = a.heardMoved ? "the moved driver heard without a solve"
    : a.driversSolved === 0 ? "no driver solved" : `${a.driversSolved} of ${a.drivers.length} drivers solved`;
  setStatus(`${a.name || state.fileName}: ${a.frequencies.length} frequencies at ${a.listeningDistanceM} m, ` +
            `${solved}, ${Math.round(state.ms)} ms`);
}

// ---- the directivity -------------------------------------------------------

// A change on its way: the directivity of the speaker before it is not wanted.
function cancelDirectivity() {
  clearTimeout(state.directivityTimer);
  if (state.directivityController) state.directivityController.abort();
  state.directivityController = null;
}

function scheduleDirectivity() {
  clearTimeout(state.directivityTimer);
  state.directivityTimer = setTimeout(askDirectivity, DIRECTIVITY_DELAY_MS);
}

async function askDirectivity() {
  if (requests.busy || !state.planes) {
    if (requests.busy) scheduleDirectivity();
    return;
  }
  const text = requests.text;
  const step = $("speaker-angle-step").value;
  const wanted = { text, step, grid: settings().grid };
  const shown = state.directivity;
  if (shown && shown.text === text && shown.step === step && shown.grid === wanted.grid) return;
  if (state.directivityController) state.directivityController.abort();
  const controller = new AbortController();
  state.directivityController = controller;
  $("speaker-directivity-status").textContent = "computing…";
  try {
    const data = await postSpeaker(text, { ...settings(), directivity: step }, controller.signal);
    if (controller.signal.aborted || requests.text !== text) return;
    state.directivity = { ...wanted, data };
    const frequencies = data.frequencies;
    const near1k = frequencies.reduce((best, f, i) =>
      Math.abs(Math.log(f / 1000)) < Math.abs(Math.log(frequencies[best] / 1000)) ? i : best, 0);
    for (const name of ["horizontal", "vertical"]) {
      const plane = state.planes[name];
      const index = plane.data && plane.frequencyIndex < frequencies.length ? plane.frequencyIndex : near1k;
      plane.show(data.directivity[name], index, null);
    }
    $("speaker-directivity-status").textContent = "";
    showSpin(data);
  } catch (error) {
    if (!controller.signal.aborted) $("speaker-directivity-status").textContent = error.message;
  } finally {
    if (state.directivityController === controller) state.directivityController = null;
  }
}

function showSpin(data) {
  if (!data.spin) {
    spinPlot.clear();
    $("speaker-spin-status").textContent = "the spin needs the angles every 10°: choose a step of 5° or 10°";
    return;
  }
  $("speaker-spin-status").textContent = "";
  spinPlot.show(data.frequencies, SPIN_CURVES.map(([key, label, stroke, width, dash]) => ({
    key, label, stroke, width, dash, levels: data.spin[key],
  })));
}

function makePlanes(palette) {
  const made = {};
  const pick = (index) => {
    for (const plane of Object.values(made)) plane.setFrequencyIndex(index);
  };
  for (const name of ["horizontal", "vertical"]) {
    made[name] = new Directivity({
      sonogram: $(`speaker-sonogram-${name}`), colourScale: $(`speaker-scale-${name}`),
      readout: $(`speaker-readout-${name}`), polar: $(`speaker-polar-${name}`), palette,
      onPickFrequency: pick,
    });
  }
  return made;
}

// ---- files -----------------------------------------------------------------

function load(text, name) {
  state.fileName = name;
  state.directivity = null;
  cancelDirectivity();
  $("speaker-file-status").textContent = `${name} opened`;
  requests.settings = settings();
  requests.load(text);
}

async function loadExample() {
  const response = await fetch(EXAMPLE);
  load(await response.text(), "two-way.toml");
}

async function openFile(file) {
  const name = file.name.replace(/[^\w.\- ]/g, "_").slice(0, 60);
  if (file.size > MAX_FILE_BYTES) {
    $("speaker-file-status").textContent = `${name} was not opened: larger than 64 KiB`;
    return;
  }
  load(await file.text(), name);
}

// Every driver's and the sum's FRD sets at the directivity's step, asked of
// the server for the speaker as last answered, zipped with its file.
async function saveFrdZip() {
  const text = requests.text;
  if (text === null || state.frdZipping) return;
  const name = speakerEntryName(state.fileName);
  const step = $("speaker-angle-step").value;
  state.frdZipping = true;
  $("speaker-frd-zip").disabled = true;
  setStatus(`FRD zip: every driver and the sum round both planes at ${step}°…`);
  try {
    const set = await postSpeaker(text, { ...settings(), step, source: name }, undefined, "/api/speaker-frd");
    const zip = frdZip(set, name);
    saveFile(`${name.replace(/\.toml$/, "")}-frd.zip`, new Blob([zip], { type: "application/zip" }));
    setStatus(`FRD zip: ${Object.keys(set.files).length} FRD files and ${name} saved`);
  } catch (error) {
    setStatus(`FRD zip: ${error.message}`, true);
  } finally {
    state.frdZipping = false;
    $("speaker-frd-zip").disabled = false;
  }
}

function baffleChanged() {
  const w = $("speaker-width").value;
  const h = $("speaker-height").value;
  const size = $("speaker-corner-size").value || "0";
  if (w === "" || h === "") return;
  cancelDirectivity();
  requests.change({ baffle: `${w}:${h}:${$("speaker-corners").value}:${size}` });
}

function wire() {
  const picker = $("speaker-open");
  picker.addEventListener("change", () => {
    const [file] = picker.files;
    picker.value = "";
    if (file) openFile(file);
  });
  // In speaker mode a dropped file is a speaker file, and the design mode's
  // handler (on the document) does not hear of it.
  window.addEventListener("drop", (event) => {
    if (!document.body.classList.contains("speaker-mode")) return;
    event.preventDefault();
    event.stopPropagation();
    document.body.classList.remove("dropping");
    const [file] = event.dataTransfer?.files ?? [];
    if (file) openFile(file);
  }, true);
  $("speaker-example").addEventListener("click", loadExample);
  $("speaker-download").addEventListener("click", () => {
    if (state.answer) saveFile(state.fileName.endsWith(".toml") ? state.fileName : "speaker.toml", state.answer.file);
  });
  $("speaker-frd-zip").addEventListener("click", saveFrdZip);
  for (const id of ["speaker-width", "speaker-height", "speaker-corners", "speaker-corner-size"]) {
    $(id).addEventListener("change", baffleChanged);
  }
  $("speaker-grid").addEventListener("change", () => {
    requests.settings = settings();
    requests.change({});
  });
  $("speaker-angle-step").addEventListener("change", scheduleDirectivity);
  $("mode-switch").addEventListener("click", () => setMode(!document.body.classList.contains("speaker-mode")));
}

async function setMode(speaker) {
  document.body.classList.toggle("speaker-mode", speaker);
  $("speaker-studio").hidden = !speaker;
  $("mode-switch").setAttribute("aria-pressed", String(speaker));
  $("mode-switch").textContent = speaker ? "Single driver" : "Speaker";
  if (!speaker) return;
  if (!state.planes) {
    const design = await (await fetch("/api/design")).json();
    state.planes = makePlanes(new Palette(design.palette));
  }
  if (requests.text === null) await loadExample();
}

wire();

// For the browser test: what the mode shows and whether it is waiting.
window.speakerStudio = {
  setMode,
  answer: () => state.answer,
  ms: () => state.ms,
  text: () => requests.text,
  idle: () => state.answer !== null && !requests.busy,
  frdZipIdle: () => !state.frdZipping,
  directivity: () => state.directivity?.data ?? null,
  directivityIdle: () => state.directivity !== null && state.directivityController === null &&
    state.directivity.text === requests.text,
  plotted: () => plot.plotted(),
  spinPlotted: () => spinPlot.plotted(),
  pixelsPerCm: () => drawing.pixelsPerCm(),
};
