// The studio: one design edited through its inputs and the scale drawing, its
// response computed by the server on every change, pinned variants to compare
// with, the checks beside the inputs and the directivity of the rectangular
// model. Every number shown, and the inputs, labels and colours themselves,
// come from the server's JSON API. Each request channel keeps its answer with
// the design and settings it answered; each panel is drawn from those records.
import { api, onPendingChange, pendingRequests, saveFile } from "./api.js";
import { Channel, sameSettings } from "./channel.js";
import { ColumnLabels } from "./columns.js";
import { DesignFields, isRectangular } from "./design.js";
import { Directivity } from "./directivity.js";
import { renderDirectivity } from "./directivity-panel.js";
import {
  chainText, eqQuery, readEqBoxes, renderEqFigures, renderEqTable, setUpEqBoxes, showEqBoxes,
} from "./eq-panel.js";
import { startSettings } from "./eq-state.js";
import { downloadFrd, downloadParameterFile, downloadPng, renderDownloads } from "./downloads.js";
import { BaffleDrawing } from "./drawing.js";
import { renderDrawing } from "./drawing-panel.js";
import { shortFloat } from "./format.js";
import { buildInputs, moveDriver, newEditing, showDesign, showUnits, wireInputs } from "./inputs.js";
import { renderMerit } from "./merit-panel.js";
import { renderNotes } from "./notes-panel.js";
import { showOpened, wireFileOpening } from "./open-file.js";
import { Palette } from "./palette.js";
import { ResponsePlot } from "./response-plot.js";
import {
  renderAccurateStatus, renderPlot, renderResponseNotes, renderStatus, setStatus,
} from "./response-panel.js";
import { sessionOf, storeSession, storedSession } from "./session.js";
import { accurateOn, accurateSettings, polarSettings, responseSettings } from "./settings.js";
import { Variants, variantColumn } from "./variants.js";

const $ = (id) => document.getElementById(id);

// Waits this long after the last change before asking for the directivity,
// which costs one response per angle.
const POLAR_DELAY_MS = 120;
// The same for the accurate model's curves, whose plate is solved anew for
// every design: a drag asks for them once it rests.
const ACCURATE_DELAY_MS = 150;

// Everything the panels are drawn from. fields, columns, variants and the
// drawing objects are made once the starting design has come.
const view = {
  channels: {
    design: new Channel(), response: new Channel(), accurate: new Channel(), polar: new Channel(),
    check: new Channel(), eq: new Channel(),
    // On a grid finer than the standard one: the standard grid's response,
    // drawn until the finer one has come.
    quick: new Channel(),
  },
  accurateOn: false,
  accurateReason: "",  // why the accurate model is not asked, "" when it is
  editing: newEditing(),
  fields: null,
  columns: null,
  variants: null,
  polarHz: 1000,
  // The EQ panel: whether it is open, the last settings of the fit that read,
  // the chain in its table (null until the first fit), whether a box of it
  // does not read, and which boxes do not.
  eq: { open: false, settings: startSettings(), filters: null, invalid: false, badBoxes: new Set() },
  plot: new ResponsePlot($("plot")),
  directivity: null,
  drawing: null,
};

let updateScheduled = false;
let polarTimer = null;
let accurateTimer = null;
let eqTimer = null;

// ---- rendering -------------------------------------------------------------

const variantActions = {
  rename(variant, name) {
    variant.name = name;
    renderResponsePanels();
    keepWork();
  },
  edit: (variant) => loadDesign(variant.design),
  frd: (variant) => downloadFrd(variant.design, variantColumn(variant).name, variant.name),
  parameterFile: (variant) => downloadParameterFile(variant.design),
  remove(variant) {
    view.variants.remove(variant.id);
    renderResponsePanels();
    keepWork();
  },
};

function renderResponsePanels() {
  renderStatus(view, responseSettings());
  renderPlot(view);
  renderAccurateStatus(view);
  renderMerit(view, variantActions);
  renderResponseNotes(view);
  renderDownloads(view);
}

function renderCheckPanels() {
  renderNotes(view);
  renderDrawing(view);
  renderResponseNotes(view);
}

// ---- requests --------------------------------------------------------------

// A box whose text does not read leaves its field at the value it had before
// that text was typed: the design asked for is always the last good one.
function canAsk(settings) {
  return settings.grid !== null;
}

// Coalesces the changes of one task (a drag step, a keystroke) into one update.
function scheduleUpdate({ variants = false } = {}) {
  if (variants) view.variants.refresh(responseSettings(), renderResponsePanels);
  if (updateScheduled) return;
  updateScheduled = true;
  setTimeout(() => {
    updateScheduled = false;
    update();
  }, 0);
}

// The work so far, as a session.
function session() {
  return sessionOf(view.fields, view.editing.design, view.variants.list, view.editing.units, view.eq);
}

// Keeps the work in the browser, for the next visit.
function keepWork() {
  if (view.fields && view.editing.design) storeSession(session());
}

function update() {
  keepWork();
  document.body.classList.toggle("single-path", !isRectangular(view.editing.design));
  renderDrawing(view);
  const settings = responseSettings();
  if (!canAsk(settings)) {
    view.channels.response.cancel();
    view.channels.quick.cancel();
    view.channels.accurate.cancel();
    view.channels.check.cancel();
    renderStatus(view, settings);
    renderNotes(view);
    return;
  }
  const design = view.fields.copy(view.editing.design);
  view.channels.response
    .run(design, settings, (signal) => api.response(design, settings.grid, settings.phase, signal))
    .then((stored) => stored && renderResponsePanels());
  if (settings.grid === "standard") {
    view.channels.quick.cancel();
  } else {
    const quick = { ...settings, grid: "standard" };
    view.channels.quick
      .run(design, quick, (signal) => api.response(design, quick.grid, quick.phase, signal))
      .then((stored) => stored && renderResponsePanels());
  }
  view.channels.check
    .run(design, null, (signal) => api.check(design, signal))
    .then((stored) => stored && renderCheckPanels());
  scheduleAccurate(ACCURATE_DELAY_MS);
  schedulePolar(POLAR_DELAY_MS);
  // On the accurate model the equaliser, like the accurate curves, waits for
  // a change to rest.
  if (view.eq.open) scheduleEq(view.accurateOn ? ACCURATE_DELAY_MS : 0);
}

function scheduleEq(delay) {
  if (eqTimer !== null) clearTimeout(eqTimer);
  eqTimer = setTimeout(() => {
    eqTimer = null;
    requestEq({ fit: false });
  }, delay);
}

function renderEqPanel() {
  renderEqFigures(view);
  renderPlot(view);
}

// The EQ settings' boxes as they now read, kept when they do.
function readEqSettings() {
  const settings = readEqBoxes();
  if (settings !== null) {
    view.eq.settings = settings;
    keepWork();
  }
  return settings;
}

// The equaliser of the design being edited, on the model the switch chooses:
// fitted with the panel's settings, or the table's chain measured (fitted
// when there is none yet).
function requestEq({ fit }) {
  const settings = readEqSettings();
  const response = responseSettings();
  view.eq.invalid = settings === null || (!fit && view.eq.badBoxes.size > 0);
  if (view.eq.invalid || !canAsk(response)) {
    view.channels.eq.cancel();
    renderEqPanel();
    return;
  }
  const fitting = fit || view.eq.filters === null;
  const chain = fitting ? {} : { chain: chainText(view.eq.filters) };
  const model = view.accurateOn ? "accurate" : "classic";
  const params = {
    grid: response.grid, model, ...(response.baffleOnly ? { baffleOnly: "1" } : {}),
    ...eqQuery(settings), ...chain,
  };
  const record = { grid: response.grid, baffleOnly: response.baffleOnly, model, chain: chain.chain ?? "" };
  const design = view.fields.copy(view.editing.design);
  view.channels.eq
    .run(design, record, (signal) => api.eq(design, params, signal))
    .then((stored) => {
      if (!stored) return;
      const { data } = view.channels.eq.record;
      if (data && data.fitted) {
        view.eq.filters = data.filters.map((f) => ({ ...f }));
        view.eq.badBoxes.clear();
        renderEqTable(view.eq.filters, editFilter);
        keepWork();
      }
      renderEqPanel();
    });
  renderEqFigures(view);
}

function editFilter(index, key, value) {
  const box = `${index}:${key}`;
  if (value === null) {
    view.eq.badBoxes.add(box);
  } else {
    view.eq.badBoxes.delete(box);
    view.eq.filters[index][key] = value;
  }
  if (key === "type") renderEqTable(view.eq.filters, editFilter);
  keepWork();
  requestEq({ fit: false });
}

function scheduleAccurate(delay) {
  if (accurateTimer !== null) clearTimeout(accurateTimer);
  accurateTimer = setTimeout(() => {
    accurateTimer = null;
    requestAccurate();
  }, delay);
}

// The accurate model's plate holds its driver strictly inside the rectangle;
// the page does not ask for what the server would refuse.
function driverOnPlate(d) {
  return d.driverXCm > 0 && d.driverXCm < d.baffleWidthCm && d.driverYCm > 0 &&
    d.driverYCm < d.baffleHeightCm;
}

function requestAccurate() {
  const settings = accurateSettings();
  const onPlate = driverOnPlate(view.editing.design);
  view.accurateReason = view.accurateOn && !onPlate
    ? "the driver must lie inside the baffle, not on or beyond its edge" : "";
  if (!view.accurateOn || !canAsk(settings) || !onPlate) {
    view.channels.accurate.cancel();
    renderResponsePanels();
    return;
  }
  const design = view.fields.copy(view.editing.design);
  view.channels.accurate
    .run(design, settings, (signal) =>
      api.response(design, settings.grid, settings.phase, signal, settings.model))
    .then((stored) => stored && renderResponsePanels());
  renderAccurateStatus(view);
}

function schedulePolar(delay) {
  if (polarTimer !== null) clearTimeout(polarTimer);
  polarTimer = setTimeout(() => {
    polarTimer = null;
    requestPolar();
  }, delay);
}

function requestPolar() {
  const settings = polarSettings();
  const refused = settings.model === "accurate" && !driverOnPlate(view.editing.design);
  if (!isRectangular(view.editing.design) || !canAsk(settings) || refused) {
    view.channels.polar.cancel();
    renderDirectivity(view);
    return;
  }
  const design = view.fields.copy(view.editing.design);
  view.channels.polar
    .run(design, settings,
         (signal) => api.polar(design, settings.grid, settings.angles, signal, settings.model))
    .then((stored) => stored && renderDirectivity(view));
}

// A design as the server sends it, each value as its shortest text gives it
// (the same single-precision number).
function tidyDesign(design) {
  const tidy = view.fields.copy(design);
  for (const { name } of view.fields.numbers) tidy[name] = Number(shortFloat(tidy[name]));
  return tidy;
}

// A session's EQ: its settings in their boxes, its chain in the table and the
// panel open or closed as it was.
function openEq(eq) {
  view.eq.settings = { ...eq.settings };
  showEqBoxes(eq.settings);
  view.eq.filters = eq.filters ? eq.filters.map((f) => ({ ...f })) : null;
  view.eq.badBoxes.clear();
  renderEqTable(view.eq.filters ?? [], editFilter);
  view.eq.open = eq.open;
  $("eq").open = eq.open;
  if (!eq.open) renderPlot(view);
}

// A session read from the browser's storage or a file: its length
// preference, its variants instead of those pinned, its EQ (a session
// without one leaves the panel as it is), its design.
function openSession(stored) {
  if (stored.eq) openEq(stored.eq);
  $("length-unit").value = stored.units;
  showUnits(view.editing, view.fields, stored.units);
  view.variants.clear();
  for (const { name, design } of stored.variants) {
    view.variants.pin(tidyDesign(design), { data: null }, responseSettings(), renderResponsePanels, name);
  }
  loadDesign(tidyDesign(stored.design));
  renderResponsePanels();
}

function loadDesign(design) {
  view.editing.design = view.fields.copy(design);
  showDesign(view.editing, view.fields);
  scheduleUpdate();
}

function pinVariant() {
  if (view.editing.invalid.size > 0) return;
  view.variants.pin(view.editing.design, view.channels.response.record, responseSettings(),
                    renderResponsePanels);
  renderResponsePanels();
  keepWork();
}

function pickPolarFrequency(index) {
  const data = view.channels.polar.record.data;
  if (!data) return;
  view.polarHz = data.frequencies[index];
  renderDirectivity(view);
}

// ---- start -----------------------------------------------------------------

// The fields, column labels and palette the server serves, and the parts of
// the page made from them.
function setUp(answer) {
  view.fields = new DesignFields(answer.fields);
  view.columns = new ColumnLabels(answer.columns);
  view.variants = new Variants(view.fields);
  buildInputs(view.fields);
  setUpEqBoxes();
  view.drawing = new BaffleDrawing($("drawing"), {
    onMove(x, y) {
      moveDriver(view.editing, view.fields, x, y);
      scheduleUpdate();
    },
  });
  view.directivity = new Directivity({
    sonogram: $("sonogram"),
    colourScale: $("colour-scale"),
    readout: $("sonogram-readout"),
    polar: $("polar"),
    palette: new Palette(answer.palette),
    onPickFrequency: pickPolarFrequency,
  });
  $("baffle-only").addEventListener("change", () => scheduleUpdate({ variants: true }));
  $("eq").addEventListener("toggle", () => {
    if (view.eq.open === $("eq").open) return;  // opened by a session, and asked already
    view.eq.open = $("eq").open;
    keepWork();
    if (view.eq.open) requestEq({ fit: false });
    else renderPlot(view);
  });
  $("eq-settings").addEventListener("input", readEqSettings);
  $("eq-refit").addEventListener("click", () => requestEq({ fit: true }));
  $("accurate").addEventListener("change", () => {
    view.accurateOn = accurateOn();
    scheduleUpdate();
  });
  wireInputs(view.editing, view.fields, {
    change: scheduleUpdate,
    units: keepWork,
    polarSettings: () => schedulePolar(0),
    revert: () => loadDesign(view.editing.start),
    pin: pinVariant,
    parameterFile() {
      if (view.editing.invalid.size > 0) {
        setStatus("A field in red does not read: correct it first.", "error");
        return;
      }
      downloadParameterFile(view.fields.copy(view.editing.design));
    },
    png: () => downloadPng(view),
    saveSession: () => saveFile("opbaff-session.json", `${JSON.stringify(session(), null, 2)}\n`,
                                "application/json"),
    polarIndex: pickPolarFrequency,
    polarHz(hz) {
      view.polarHz = hz;
      renderDirectivity(view);
    },
  });
  wireFileOpening(view.fields, {
    session: openSession,
    design: (design) => loadDesign(tidyDesign(design)),
  });
}

function copyOrNull(design) {
  return design && view.fields ? view.fields.copy(design) : null;
}

// What a test or a curious user can read: the design being edited, the last
// answer of each channel with the design it is for, and whether anything is
// still on its way.
window.studio = {
  get design() { return copyOrNull(view.editing.design); },
  get fields() { return view.fields ? view.fields.numbers.map((f) => f.name) : null; },
  get lastDesign() { return view.channels.response.record.design; },
  get lastResponse() { return view.channels.response.record.data; },
  get lastSettings() { return view.channels.response.record.settings; },
  get lastAccurate() { return view.channels.accurate.record.data; },
  get lastAccurateDesign() { return view.channels.accurate.record.design; },
  get lastPolar() { return view.channels.polar.record.data; },
  get lastPolarSettings() { return view.channels.polar.record.settings; },
  get lastPolarDesign() { return view.channels.polar.record.design; },
  get lastEq() { return view.channels.eq.record.data; },
  get lastEqDesign() { return view.channels.eq.record.design; },
  get lastEqSettings() { return view.channels.eq.record.settings; },
  get eqFilters() { return view.eq.filters ? view.eq.filters.map((f) => ({ ...f })) : null; },
  get notes() { return view.channels.check.record.data?.notes ?? []; },
  get source() { return view.editing.source; },
  get units() { return view.editing.units; },
  get pending() {
    return pendingRequests() + (updateScheduled ? 1 : 0) + (polarTimer !== null ? 1 : 0) +
      (accurateTimer !== null ? 1 : 0) + (eqTimer !== null ? 1 : 0) +
      (view.drawing?.dragging ? 1 : 0);
  },
  get variants() {
    return (view.variants?.list ?? []).map((v) => ({
      id: v.id, name: v.name, colour: v.colour, design: v.design,
      merit: v.channel.record.data?.merit ?? null, column: variantColumn(v).name,
      settings: v.channel.record.settings,
    }));
  },
  plotted: () => view.plot.plotted(),
  // The centre of a sonogram cell in the canvas's CSS pixels.
  sonogramCell: (a, f) => view.directivity.cellCentre(a, f),
  // Nothing on its way and everything shown is for the design being edited.
  idle() {
    if (!view.fields || this.pending !== 0) return false;
    const { response, check } = view.channels;
    return view.fields.same(response.record.design, view.editing.design) &&
      view.fields.same(check.record.design, view.editing.design) &&
      sameSettings(response.record.settings, responseSettings());
  },
};

onPendingChange((count) => document.body.classList.toggle("busy", count > 0));

async function start() {
  const channel = view.channels.design;
  await channel.run(null, null, (signal) => api.design(signal));
  const { data: answer, error } = channel.record;
  if (error) {
    setStatus(`The design could not be loaded: ${error}`, "error");
    return;
  }
  setUp(answer);
  const design = tidyDesign(answer.design);
  view.editing.start = view.fields.copy(design);
  view.editing.source = answer.source;
  $("source").textContent = answer.source === "example"
    ? "Started from the example design"
    : `Started from ${answer.source} in the working folder`;
  const stored = storedSession(view.fields);
  if (stored) {
    openSession(stored);
    showOpened("The work of your last visit is restored; Revert goes back to the start.");
  } else {
    loadDesign(design);
  }
}

start();
