// The response panel, drawn from the response channel's record and the
// variants' records only: the status line, the curves and the notes that came
// with the response.
import { sameSettings } from "./channel.js";
import { columnStyle } from "./columns.js";
import { MAX_VARIANTS } from "./design.js";
import { equalisedCurves } from "./eq-panel.js";
import { gridLabel } from "./settings.js";
import { variantColumn } from "./variants.js";

const $ = (id) => document.getElementById(id);

export function setStatus(text, kind = "") {
  const status = $("status");
  status.textContent = text;
  status.className = `status ${kind}`;
}

// The response drawn: the response channel's when it answers the design being
// edited, or while its answer is still on its way; else, while the answer on a
// finer grid is on its way, the standard grid's answer to the design being
// edited once that has come; else the response channel's last.
export function drawnRecord(view) {
  const { response, quick } = view.channels;
  const current = (record) => record.data !== null && view.fields.same(record.design, view.editing.design);
  if (current(response.record) || !response.request.busy || !current(quick.record)) return response.record;
  return quick.record;
}

// What the status line says: why no response can be asked for, the error of
// the last one, or the grid and time of the last answer.
export function renderStatus(view, settings) {
  const { data, error, ms } = view.channels.response.record;
  if (drawnRecord(view) === view.channels.quick.record) {
    setStatus(`standard grid until ${gridLabel(settings.grid)} have come`);
  } else if (view.editing.invalid.size > 0) {
    setStatus("A field in red does not read: its last good value is used.", "error");
  } else if (settings.grid === null) {
    setStatus("Choose 1 to 96 points per octave.", "error");
  } else if (error) {
    setStatus(error, "error");
  } else if (data) {
    const time = ms === null ? "" : ` · ${Math.max(1, Math.round(ms))} ms`;
    const { grid, baffleOnly } = view.channels.response.record.settings;
    setStatus(`${gridLabel(grid)}${baffleOnly ? " · baffle only" : ""}${time}`);
  }
}

function variantCurve(variant, record) {
  const size = record.data.frequencies.length;
  const own = variant.channel.record;
  const onGrid = own.data !== null && sameSettings(own.settings, record.settings) &&
    own.data.frequencies.length === size;
  return {
    key: `variant-${variant.id}`,
    label: variant.name,
    stroke: variant.colour,
    width: 1.8,
    dash: [7, 3],
    levels: onGrid ? variantColumn(variant).levels : new Array(size).fill(null),
  };
}

// The accurate model's curves, when its record answers the design and grid of
// the classic response drawn; the columns it copies from the classic model
// (no path, the reference level) are not drawn twice.
const COPIED_COLUMNS = new Set(["no-path", "reference-level"]);

function accurateCurves(view, record) {
  const accurate = view.channels.accurate.record;
  if (!view.accurateOn || view.accurateReason || !accurate.data ||
      !view.fields.same(accurate.design, record.design) ||
      accurate.settings.grid !== record.settings.grid ||
      accurate.settings.baffleOnly !== record.settings.baffleOnly) {
    return [];
  }
  return accurate.data.columns
    .filter((c) => !COPIED_COLUMNS.has(c.name) && view.columns.isDrawn(record.design.model, c.name))
    .map((c) => ({
      key: `accurate-${c.name}`,
      label: `${view.columns.label(c.name, record.design)} (accurate)`,
      levels: c.levels,
      ...columnStyle(c.name),
      dash: [2, 3],
      width: 2.2,
    }));
}

// What the accurate model's line says: computing, its error, or nothing.
export function renderAccurateStatus(view) {
  const line = $("accurate-status");
  const { record, request } = view.channels.accurate;
  let text = "";
  let error = false;
  if (view.accurateOn && view.accurateReason) {
    text = `Accurate model: ${view.accurateReason}`;
    error = true;
  } else if (view.accurateOn && request.busy) {
    text = "Accurate model: computing…";
  } else if (view.accurateOn && record.error) {
    text = `Accurate model: ${record.error}`;
    error = true;
  }
  line.textContent = text;
  line.classList.toggle("error", error);
}

export function renderPlot(view) {
  const record = drawnRecord(view);
  if (!record.data) {
    if (record.error) view.plot.clear();
    return;
  }
  const { data, design } = record;
  const curves = data.columns
    .filter((c) => view.columns.isDrawn(design.model, c.name))
    .map((c) => ({ key: c.name, label: view.columns.label(c.name, design), levels: c.levels, ...columnStyle(c.name) }));
  curves.push(...accurateCurves(view, record));
  curves.push(...equalisedCurves(view, record));
  for (const variant of view.variants.list) curves.push(variantCurve(variant, record));
  view.plot.show(data.frequencies, curves);
  $("pin").disabled = view.variants.list.length >= MAX_VARIANTS;
}

// Notes that come with a response and are not already beside an input.
export function renderResponseNotes(view) {
  const checks = view.channels.check.record.data?.notes ?? [];
  const shown = new Set(checks.map((n) => `${n.record}:${n.text}`));
  const notes = view.channels.response.record.data?.notes ?? [];
  const extra = notes.filter((n) => !shown.has(`${n.record}:${n.text}`));
  $("response-notes").replaceChildren(
    ...extra.map((n) => Object.assign(document.createElement("p"), { textContent: n.text })),
  );
}
