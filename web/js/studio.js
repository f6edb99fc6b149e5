// The studio: one design edited through its inputs and the scale drawing, its
// response computed by the server on every change, pinned variants to compare
// with, the checks beside the inputs and the directivity of the rectangular
// model. Every number shown comes from the server's JSON API.
import { api, LatestRequest, onPendingChange, pendingRequests, saveFile } from "./api.js";
import {
  CHOICE_FIELDS, MAX_VARIANTS, NUMBER_FIELDS, VARIANT_COLOURS, columnLabel, columnStyle, copyDesign,
  describeDesign, fieldOfRecord, isDrawnColumn, isRectangular, sameDesign,
} from "./design.js";
import { Directivity } from "./directivity.js";
import { BaffleDrawing } from "./drawing.js";
import { formatDb, formatHz, shortFloat } from "./format.js";
import { ResponsePlot } from "./response-plot.js";

const $ = (id) => document.getElementById(id);

// Waits this long after the last change before asking for the directivity,
// which costs one response per angle.
const POLAR_DELAY_MS = 120;

const state = {
  design: null,        // the design being edited
  startDesign: null,   // the one the studio started from
  source: "",
  invalid: new Set(),  // fields whose input holds no number
  response: null,      // the last response and the design and settings it is for
  responseDesign: null,
  responseSettings: null,
  error: null,
  notes: [],           // the checks of the last checked design
  notesDesign: null,
  polar: null,
  polarDesign: null,
  polarError: null,
  polarHz: 1000,
  variants: [],        // {id, name, colour, design, response, settings, error}
  nextVariantId: 1,
  lastMs: null,
};

const channels = {
  response: new LatestRequest(),
  check: new LatestRequest(),
  polar: new LatestRequest(),
};

let updateScheduled = false;
let polarTimer = null;

// ---- settings --------------------------------------------------------------

function grid() {
  if ($("grid-standard").checked) return "standard";
  const n = Number($("grid-points").value);
  return Number.isInteger(n) && n >= 1 && n <= 96 ? String(n) : null;
}

function phase() {
  return $("phase").value;
}

function angleStep() {
  return Number($("angle-step").value);
}

function settings() {
  return { grid: grid(), phase: phase() };
}

function sameSettings(a, b) {
  return !!a && !!b && a.grid === b.grid && a.phase === b.phase;
}

function gridLabel(g) {
  return g === "standard" ? "standard grid, 81 points" : `${g} points per octave`;
}

// ---- inputs ----------------------------------------------------------------

function showDesignInInputs(design) {
  for (const { name } of NUMBER_FIELDS) {
    const input = $(name);
    const text = shortFloat(design[name]);
    if (input.value !== text) input.value = text;
  }
  for (const { name } of CHOICE_FIELDS) {
    const radio = $(`${name}-${design[name]}`);
    if (radio) radio.checked = true;
  }
  state.invalid.clear();
  markInvalid();
}

function markInvalid() {
  for (const { name } of NUMBER_FIELDS) {
    document.querySelector(`[data-field="${name}"]`).classList.toggle("invalid", state.invalid.has(name));
  }
  $("grid-points").classList.toggle("invalid", $("grid-octave").checked && grid() === null);
}

function readNumberInput(name) {
  const input = $(name);
  const value = input.value.trim() === "" ? NaN : Number(input.value);
  if (Number.isFinite(value)) {
    state.design[name] = value;
    state.invalid.delete(name);
  } else {
    state.invalid.add(name);
  }
  markInvalid();
}

function wireInputs() {
  for (const { name } of NUMBER_FIELDS) {
    $(name).addEventListener("input", () => {
      readNumberInput(name);
      scheduleUpdate();
    });
    // On leaving the field, show the value as it is taken.
    $(name).addEventListener("change", () => {
      readNumberInput(name);
      if (!state.invalid.has(name)) $(name).value = shortFloat(state.design[name]);
      scheduleUpdate();
    });
  }
  for (const { name, values } of CHOICE_FIELDS) {
    for (const value of values) {
      $(`${name}-${value}`).addEventListener("change", (event) => {
        if (!event.target.checked) return;
        state.design[name] = value;
        scheduleUpdate();
      });
    }
  }
  const regrid = () => {
    markInvalid();
    scheduleUpdate({ variants: true });
  };
  $("grid-standard").addEventListener("change", regrid);
  $("grid-octave").addEventListener("change", regrid);
  $("grid-points").addEventListener("input", () => {
    $("grid-octave").checked = true;
    regrid();
  });
  $("phase").addEventListener("change", () => scheduleUpdate({ variants: true }));
  $("angle-step").addEventListener("change", () => schedulePolar(0));
  $("revert").addEventListener("click", () => loadDesign(state.startDesign));
  $("pin").addEventListener("click", pinVariant);
  $("download-parameter-file").addEventListener("click", () => downloadParameterFile(state.design));
  $("download-png").addEventListener("click", downloadPng);
  $("polar-frequency").addEventListener("input", () => pickPolarFrequency(Number($("polar-frequency").value)));
  $("polar-frequency-hz").addEventListener("change", () => {
    const hz = Number($("polar-frequency-hz").value);
    if (Number.isFinite(hz) && hz > 0) {
      state.polarHz = hz;
      renderDirectivity();
    }
  });
}

function loadDesign(design) {
  state.design = copyDesign(design);
  showDesignInInputs(state.design);
  scheduleUpdate();
}

// ---- updates ---------------------------------------------------------------

// Coalesces the changes of one task (a drag step, a keystroke) into one update.
function scheduleUpdate({ variants = false } = {}) {
  if (variants) refreshVariants();
  if (updateScheduled) return;
  updateScheduled = true;
  setTimeout(() => {
    updateScheduled = false;
    update();
  }, 0);
}

function update() {
  document.body.classList.toggle("single-path", !isRectangular(state.design));
  drawing.update(state.design, flaggedFields());
  renderCaption();
  const current = settings();
  if (state.invalid.size > 0 || current.grid === null) {
    channels.response.cancel();
    channels.check.cancel();
    setStatus(state.invalid.size > 0 ? "Enter a number in each highlighted field." : "Choose 1 to 96 points per octave.", "error");
    renderNotes();
    return;
  }
  const design = copyDesign(state.design);
  requestResponse(design, current);
  requestCheck(design);
  schedulePolar(POLAR_DELAY_MS);
}

async function requestResponse(design, current) {
  const started = performance.now();
  try {
    const answer = await channels.response.run((signal) =>
      api.response(design, current.grid, current.phase, signal));
    if (answer === undefined) return;
    state.response = answer;
    state.responseDesign = design;
    state.responseSettings = current;
    state.error = null;
    state.lastMs = performance.now() - started;
  } catch (error) {
    state.error = error.message;
  }
  renderResponse();
}

async function requestCheck(design) {
  try {
    const answer = await channels.check.run((signal) => api.check(design, signal));
    if (answer === undefined) return;
    state.notes = answer.notes ?? [];
    state.notesDesign = design;
  } catch (error) {
    state.notes = [{ record: 0, text: `The checks failed: ${error.message}` }];
    state.notesDesign = design;
  }
  renderNotes();
  drawing.update(state.design, flaggedFields());
}

function schedulePolar(delay) {
  if (polarTimer !== null) clearTimeout(polarTimer);
  polarTimer = setTimeout(() => {
    polarTimer = null;
    requestPolar();
  }, delay);
}

async function requestPolar() {
  const current = settings();
  if (!isRectangular(state.design) || state.invalid.size > 0 || current.grid === null) {
    channels.polar.cancel();
    renderDirectivity();
    return;
  }
  const design = copyDesign(state.design);
  const step = angleStep();
  const angles = `-90:90:${step}`;
  try {
    const answer = await channels.polar.run((signal) => api.polar(design, current.grid, angles, signal));
    if (answer === undefined) return;
    state.polar = answer;
    state.polarDesign = design;
    state.polarError = null;
  } catch (error) {
    state.polarError = error.message;
  }
  renderDirectivity();
}

// ---- variants --------------------------------------------------------------

// Pins the design being edited; its response is the one shown if that is
// for this design already, else it is asked for.
function pinVariant() {
  if (state.variants.length >= MAX_VARIANTS || state.invalid.size > 0) return;
  const used = new Set(state.variants.map((v) => v.colour));
  const current = sameDesign(state.responseDesign, state.design);
  const variant = {
    id: state.nextVariantId++,
    name: describeDesign(state.design),
    colour: VARIANT_COLOURS.find((c) => !used.has(c)),
    design: copyDesign(state.design),
    response: current ? state.response : null,
    settings: current ? state.responseSettings : null,
    error: null,
    channel: new LatestRequest(),
  };
  state.variants.push(variant);
  if (!current) refreshVariants();
  renderResponse();
}

function removeVariant(id) {
  const variant = state.variants.find((v) => v.id === id);
  if (variant) variant.channel.cancel();
  state.variants = state.variants.filter((v) => v.id !== id);
  renderResponse();
}

// Recomputes every variant on the current grid and phase.
function refreshVariants() {
  const current = settings();
  if (current.grid === null) return;
  for (const variant of state.variants) {
    if (sameSettings(variant.settings, current)) continue;
    variant.channel
      .run((signal) => api.response(variant.design, current.grid, current.phase, signal))
      .then((answer) => {
        if (answer === undefined) return;
        variant.response = answer;
        variant.settings = current;
        variant.error = null;
        renderResponse();
      })
      .catch((error) => {
        variant.error = error.message;
        renderResponse();
      });
  }
}

// The column a variant is drawn and judged by: the one its figures of merit are for.
function variantColumn(variant) {
  const response = variant.response;
  if (!response) return { name: "…", levels: [] };
  return response.columns.find((c) => c.name === response.merit?.column) ?? response.columns[0];
}

// ---- rendering -------------------------------------------------------------

function setStatus(text, kind = "") {
  const status = $("status");
  status.textContent = text;
  status.className = `status ${kind}`;
}

function renderResponse() {
  const response = state.response;
  if (state.error) {
    setStatus(state.error, "error");
  } else if (response) {
    const ms = state.lastMs === null ? "" : ` · ${Math.max(1, Math.round(state.lastMs))} ms`;
    setStatus(`${gridLabel(state.responseSettings.grid)}${ms}`);
  }
  if (!response) return;
  const design = state.responseDesign;
  const curves = response.columns
    .filter((c) => isDrawnColumn(c.name))
    .map((c) => ({ key: c.name, label: columnLabel(c.name, design), levels: c.levels, ...columnStyle(c.name) }));
  const size = response.frequencies.length;
  for (const variant of state.variants) {
    const onGrid = sameSettings(variant.settings, state.responseSettings) &&
      variant.response.frequencies.length === size;
    curves.push({
      key: `variant-${variant.id}`,
      label: variant.name,
      stroke: variant.colour,
      width: 1.8,
      dash: [7, 3],
      levels: onGrid ? variantColumn(variant).levels : new Array(size).fill(null),
    });
  }
  plot.show(response.frequencies, curves);
  renderMerit();
  renderResponseNotes();
  renderDownloads();
  $("pin").disabled = state.variants.length >= MAX_VARIANTS;
}

// A colour swatch, styled through the DOM: the page's policy allows no inline
// style attributes.
function swatchMark(className, style) {
  const mark = document.createElement("span");
  mark.className = className;
  Object.assign(mark.style, style);
  return mark;
}

function meritCells(merit) {
  const cell = (key, text) => {
    const td = document.createElement("td");
    td.className = "num";
    td.dataset.merit = key;
    const value = merit ? merit[key] : null;
    td.dataset.value = value === null || value === undefined ? "null" : String(value);
    td.textContent = text(value);
    return td;
  };
  return [
    cell("peakLevelDb", (v) => formatDb(v, 1)),
    cell("peakFrequencyHz", formatHz),
    cell("minus3Hz", formatHz),
    cell("minus6Hz", formatHz),
    cell("rippleDb", (v) => formatDb(v, 1)),
  ];
}

function button(text, title, onClick, className = "small") {
  const b = document.createElement("button");
  b.type = "button";
  b.className = className;
  b.textContent = text;
  b.title = title;
  b.addEventListener("click", onClick);
  return b;
}

function renderMerit() {
  const body = $("merit-body");
  // Keep the row being renamed, so that typing is not interrupted.
  const focused = document.activeElement?.dataset?.variantName;
  const rows = [];
  const response = state.response;
  if (response) {
    const tr = document.createElement("tr");
    tr.dataset.row = "current";
    tr.dataset.column = response.merit?.column ?? "";
    const swatch = document.createElement("td");
    swatch.append(swatchMark("swatch", { background: columnStyle(response.merit?.column).stroke }));
    const name = document.createElement("td");
    name.className = "name";
    name.textContent = "Current design";
    const curve = document.createElement("td");
    curve.className = "curve";
    curve.textContent = response.merit?.column ?? "";
    const actions = document.createElement("td");
    actions.className = "actions";
    tr.append(swatch, name, curve, ...meritCells(response.merit), actions);
    rows.push(tr);
  }
  for (const variant of state.variants) {
    const tr = document.createElement("tr");
    tr.dataset.row = `variant-${variant.id}`;
    tr.dataset.column = variant.response?.merit?.column ?? "";
    const onGrid = sameSettings(variant.settings, state.responseSettings);
    if (!onGrid) tr.classList.add("stale");
    const swatch = document.createElement("td");
    swatch.append(swatchMark("swatch dashed", { borderColor: variant.colour }));
    const name = document.createElement("td");
    name.className = "name";
    const input = document.createElement("input");
    input.type = "text";
    input.value = variant.name;
    input.maxLength = 60;
    input.dataset.variantName = String(variant.id);
    input.title = "Name of this variant";
    input.addEventListener("input", () => {
      variant.name = input.value;
      renderResponse();
    });
    name.append(input);
    const curve = document.createElement("td");
    curve.className = "curve";
    curve.textContent = variant.error ? `error: ${variant.error}` : variantColumn(variant).name;
    const actions = document.createElement("td");
    actions.className = "actions";
    const group = document.createElement("div");
    actions.append(group);
    group.append(
      button("Edit", "Make this variant the current design", () => loadDesign(variant.design)),
      button("FRD", "Download the FRD file of this variant's curve", () =>
        downloadFrd(variant.design, variantColumn(variant).name, variant.name)),
      button("Opbaffin.txt", "Download this variant as a parameter file", () => downloadParameterFile(variant.design)),
      button("✕", "Remove this variant", () => removeVariant(variant.id), "small remove"),
    );
    tr.append(swatch, name, curve, ...meritCells(onGrid ? variant.response.merit : null), actions);
    rows.push(tr);
  }
  body.replaceChildren(...rows);
  if (focused) {
    const input = body.querySelector(`input[data-variant-name="${focused}"]`);
    if (input) {
      input.focus();
      input.setSelectionRange(input.value.length, input.value.length);
    }
  }
  $("merit-hint").textContent = state.variants.length
    ? `judged below 2 kHz · ${state.variants.length} of ${MAX_VARIANTS} pinned`
    : "judged below 2 kHz · pin a design to compare";
}

// The FRD menu: one entry per curve shown, the current design's and the variants'.
function renderDownloads() {
  const box = $("curve-downloads");
  const response = state.response;
  if (!response) return;
  const entry = (text, stroke, dashed, title, onClick) => {
    const b = button(text, title, () => {
      $("frd-menu").open = false;
      onClick();
    }, "menu-item frd");
    b.style.setProperty("--swatch", stroke);
    if (dashed) b.classList.add("dashed");
    return b;
  };
  const items = response.columns
    .filter((c) => isDrawnColumn(c.name))
    .map((c) => {
      const label = columnLabel(c.name, state.responseDesign);
      const b = entry(`${label} · ${c.name}`, columnStyle(c.name).stroke, false,
                      `Download opbaff-${c.name}.frd of the current design`,
                      () => downloadFrd(state.responseDesign, c.name, null));
      b.id = `frd-${c.name}`;
      return b;
    });
  for (const variant of state.variants) {
    const column = variantColumn(variant).name;
    const b = entry(`${variant.name} · ${column}`, variant.colour, true,
                    `Download the FRD file of the variant "${variant.name}"`,
                    () => downloadFrd(variant.design, column, variant.name));
    b.id = `frd-variant-${variant.id}`;
    items.push(b);
  }
  box.replaceChildren(...items);
}

function notesByField(notes) {
  const byField = new Map();
  for (const note of notes) {
    const field = fieldOfRecord(note.record) ?? "design";
    if (!byField.has(field)) byField.set(field, []);
    byField.get(field).push(note.text);
  }
  return byField;
}

function flaggedFields() {
  if (!sameDesign(state.notesDesign, state.design)) return new Set();
  return new Set(notesByField(state.notes).keys());
}

function renderNotes() {
  const current = sameDesign(state.notesDesign, state.design);
  const byField = notesByField(current ? state.notes : []);
  for (const box of document.querySelectorAll("[data-notes-for]")) {
    const field = box.dataset.notesFor;
    const texts = [...(byField.get(field) ?? [])];
    if (state.invalid.has(field)) texts.unshift("Enter a number.");
    box.replaceChildren(...texts.map((t) => Object.assign(document.createElement("p"), { textContent: t })));
    box.closest("[data-field]")?.classList.toggle("flagged", texts.length > 0);
  }
  const general = byField.get("design") ?? [];
  $("notes-general").replaceChildren(
    ...general.map((t) => Object.assign(document.createElement("p"), { textContent: t })),
  );
}

// Notes that come with a response and are not already beside an input.
function renderResponseNotes() {
  const shown = new Set(state.notes.map((n) => `${n.record}:${n.text}`));
  const extra = (state.response?.notes ?? []).filter((n) => !shown.has(`${n.record}:${n.text}`));
  $("response-notes").replaceChildren(
    ...extra.map((n) => Object.assign(document.createElement("p"), { textContent: n.text })),
  );
}

function renderCaption() {
  const d = state.design;
  const model = { rectangular: "Rectangular baffle", "single-path": "Single-path model on the round baffle",
                  "single-path-half-delay": "Single-path model (half delay) on the round baffle" }[d.model];
  $("drawing-caption").textContent =
    `${model}. Driver ⌀${shortFloat(d.driverDiameterCm)} cm; listener ${shortFloat(d.listenerDistanceM)} m in front. ` +
    "Positive angles point to the right edge.";
}

function nearestIndex(frequencies, hz) {
  let best = 0;
  frequencies.forEach((f, i) => {
    if (Math.abs(Math.log(f / hz)) < Math.abs(Math.log(frequencies[best] / hz))) best = i;
  });
  return best;
}

function renderDirectivity() {
  const panel = $("directivity");
  const rectangular = isRectangular(state.design);
  panel.classList.toggle("off", !rectangular);
  $("directivity-off").hidden = rectangular;
  if (!rectangular || !state.polar) {
    directivity.show(null, 0, null);
    return;
  }
  const frequencies = state.polar.frequencies;
  const index = nearestIndex(frequencies, state.polarHz);
  const slider = $("polar-frequency");
  slider.max = String(frequencies.length - 1);
  slider.value = String(index);
  $("polar-frequency-hz").value = shortFloat(frequencies[index]);
  directivity.show(state.polar, index, state.polarDesign.offAxisAngleDeg);
  panel.classList.toggle("stale", !sameDesign(state.polarDesign, state.design));
  if (state.polarError) $("sonogram-readout").textContent = state.polarError;
}

function pickPolarFrequency(index) {
  if (!state.polar) return;
  state.polarHz = state.polar.frequencies[index];
  renderDirectivity();
}

// ---- downloads -------------------------------------------------------------

async function downloadParameterFile(design) {
  if (design === state.design && state.invalid.size > 0) {
    setStatus("Enter a number in each highlighted field first.", "error");
    return;
  }
  try {
    const text = await api.parameterFile(copyDesign(design));
    saveFile("Opbaffin.txt", text);
  } catch (error) {
    setStatus(`Opbaffin.txt: ${error.message}`, "error");
  }
}

async function downloadFrd(design, column, variantName) {
  const current = settings();
  if (current.grid === null) return;
  try {
    const text = await api.frd(copyDesign(design), column, current.grid, current.phase);
    const suffix = variantName ? `-${variantName.replace(/[^A-Za-z0-9._-]+/g, "_")}` : "";
    saveFile(`opbaff-${column}${suffix}.frd`, text);
  } catch (error) {
    setStatus(`FRD: ${error.message}`, "error");
  }
}

async function downloadPng() {
  const model = state.responseDesign ? state.responseDesign.model : "";
  const blob = await plot.png(`opbaff studio · ${model} · ${gridLabel(state.responseSettings?.grid ?? "standard")}`);
  if (blob) saveFile("opbaff-response.png", blob, "image/png");
}

// ---- start -----------------------------------------------------------------

const drawing = new BaffleDrawing($("drawing"), {
  onMove(x, y) {
    state.design.driverXCm = x;
    state.design.driverYCm = y;
    $("driverXCm").value = shortFloat(x);
    $("driverYCm").value = shortFloat(y);
    state.invalid.delete("driverXCm");
    state.invalid.delete("driverYCm");
    markInvalid();
    scheduleUpdate();
  },
});
const plot = new ResponsePlot($("plot"));
const directivity = new Directivity({
  sonogram: $("sonogram"),
  colourScale: $("colour-scale"),
  readout: $("sonogram-readout"),
  polar: $("polar"),
  onPickFrequency: pickPolarFrequency,
});

// What a test or a curious user can read: the design being edited, the last
// response with the design it is for, and whether anything is still on its way.
window.studio = {
  get design() { return state.design ? copyDesign(state.design) : null; },
  get lastDesign() { return state.responseDesign; },
  get lastResponse() { return state.response; },
  get lastSettings() { return state.responseSettings; },
  get lastPolar() { return state.polar; },
  get lastPolarDesign() { return state.polarDesign; },
  get notes() { return state.notes; },
  get source() { return state.source; },
  get pending() {
    return pendingRequests() + (updateScheduled ? 1 : 0) + (polarTimer !== null ? 1 : 0) +
      (drawing.dragging ? 1 : 0);
  },
  get variants() {
    return state.variants.map((v) => ({ id: v.id, name: v.name, colour: v.colour, design: v.design,
                                        merit: v.response?.merit ?? null, column: variantColumn(v).name,
                                        settings: v.settings }));
  },
  plotted: () => plot.plotted(),
  // Nothing on its way and everything shown is for the design being edited.
  idle() {
    return this.pending === 0 && sameDesign(state.responseDesign, state.design) &&
      sameDesign(state.notesDesign, state.design) && sameSettings(state.responseSettings, settings());
  },
};

onPendingChange((count) => document.body.classList.toggle("busy", count > 0));

async function start() {
  wireInputs();
  for (const element of document.querySelectorAll(".field[data-field], .switch-row[data-field]")) {
    const box = document.createElement("div");
    box.className = "notes";
    box.dataset.notesFor = element.dataset.field;
    element.append(box);
  }
  try {
    const answer = await api.design();
    const design = copyDesign(answer.design);
    // The shortest text of each value, which is the same single-precision number.
    for (const { name } of NUMBER_FIELDS) design[name] = Number(shortFloat(design[name]));
    state.startDesign = copyDesign(design);
    state.source = answer.source;
    $("source").textContent = answer.source === "example"
      ? "Started from the example design"
      : `Started from ${answer.source} in the working folder`;
    loadDesign(design);
  } catch (error) {
    setStatus(`The design could not be loaded: ${error.message}`, "error");
  }
}

start();
