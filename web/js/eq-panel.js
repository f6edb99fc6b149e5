// The EQ panel: the settings of the fit, the filters of the equaliser in an
// editable table and its figures, drawn from the eq channel's record. The
// server fits the chain (Refit, or on first opening) and measures a chain
// edited here; the equalised curve it answers is drawn on the response plot.
import { FILTER_LIMITS, FILTER_TYPES, SETTING_FIELDS, settingReads } from "./eq-state.js";
import { formatHz } from "./format.js";

const $ = (id) => document.getElementById(id);

// Gives the settings' boxes their ranges and first values from the one table
// of them.
export function setUpEqBoxes() {
  for (const { box, low, high, start } of SETTING_FIELDS) {
    Object.assign($(box), { min: String(low), max: String(high), value: String(start) });
  }
}

// The fit's settings from their boxes: {from, to, filters, maxBoost, maxQ,
// tilt, highPass}, or null when a box does not hold a number within its range.
export function readEqBoxes() {
  const values = {};
  let ok = true;
  for (const field of SETTING_FIELDS) {
    const box = $(field.box);
    const value = box.value.trim() === "" ? NaN : Number(box.value);
    const reads = settingReads(field, value);
    box.setAttribute("aria-invalid", reads ? "false" : "true");
    values[field.key] = value;
    ok &&= reads;
  }
  return ok && values.from < values.to ? values : null;
}

// Shows kept settings in their boxes.
export function showEqBoxes(settings) {
  for (const { key, box } of SETTING_FIELDS) {
    $(box).value = String(settings[key]);
    $(box).setAttribute("aria-invalid", "false");
  }
}

// The settings as /api/eq takes them.
export function eqQuery(settings) {
  const { from, to, ...rest } = settings;
  return { band: `${from}:${to}`, ...rest };
}

// A chain as ?chain= takes it: KIND:HZ:DB:Q, comma separated.
export function chainText(filters) {
  return filters.map((f) => `${f.type}:${f.frequencyHz}:${f.gainDb}:${f.q}`).join(",");
}

function numberCell(filter, key, onEdit) {
  const box = Object.assign(document.createElement("input"), {
    type: "number", step: "any", value: String(filter[key]),
  });
  box.dataset.key = key;
  box.setAttribute("aria-label", key);
  box.disabled = key === "gainDb" && (filter.type === "high-pass" || filter.type === "low-pass");
  box.addEventListener("input", () => {
    const value = Number(box.value);
    const { low, high } = FILTER_LIMITS[key];
    const ok = box.value.trim() !== "" && Number.isFinite(value) && value >= low && value <= high;
    box.setAttribute("aria-invalid", ok ? "false" : "true");
    onEdit(key, ok ? value : null);
  });
  const cell = document.createElement("td");
  cell.className = "num";
  cell.append(box);
  return cell;
}

function typeCell(filter, onEdit) {
  const select = document.createElement("select");
  select.setAttribute("aria-label", "type");
  for (const type of FILTER_TYPES) {
    select.append(Object.assign(document.createElement("option"), { value: type, textContent: type }));
  }
  select.value = filter.type;
  select.addEventListener("change", () => onEdit("type", select.value));
  const cell = document.createElement("td");
  cell.append(select);
  return cell;
}

// The table of filters; onEdit(index, key, value) hears every edit, value
// null for a box that does not read.
export function renderEqTable(filters, onEdit) {
  const rows = filters.map((filter, i) => {
    const row = document.createElement("tr");
    row.dataset.index = String(i);
    const edit = (key, value) => onEdit(i, key, value);
    const number = Object.assign(document.createElement("td"), { textContent: String(i + 1) });
    row.append(number, typeCell(filter, edit), numberCell(filter, "frequencyHz", edit),
               numberCell(filter, "gainDb", edit), numberCell(filter, "q", edit));
    return row;
  });
  $("eq-filter-rows").replaceChildren(...rows);
}

const db = (value) => `${value.toFixed(2)} dB`;

// The figures of the eq channel's record, or why there are none.
export function renderEqFigures(view) {
  const { data, error, settings } = view.channels.eq.record;
  const box = $("eq-figures");
  if (view.eq.invalid) {
    box.replaceChildren(Object.assign(document.createElement("p"), {
      className: "error", textContent: "A box in red does not read: correct it to fit or measure again.",
    }));
    return;
  }
  if (error) {
    box.replaceChildren(Object.assign(document.createElement("p"), { className: "error", textContent: error }));
    return;
  }
  if (!data) {
    box.replaceChildren(Object.assign(document.createElement("p"), { textContent: "fitting…" }));
    return;
  }
  const lines = [
    `${data.fitted ? "Fitted" : "Filters as edited"} on the ${settings.model} model, ` +
      `${formatHz(data.bandFromHz)} to ${formatHz(data.bandToHz)}` +
      `, target ${db(data.targetDb)} at 1 kHz${data.tiltDbPerDecade ? `, tilted ${data.tiltDbPerDecade} dB/decade` : ", flat"}`,
    `deviation from the target in the band: max ${db(data.maxDeviationDb)}, RMS ${db(data.rmsDeviationDb)}`,
    `peak boost ${db(data.peakBoostDb)}; boost the target needs ${db(data.neededBoostDb)}`,
  ];
  box.replaceChildren(...lines.map((text) => Object.assign(document.createElement("p"), { textContent: text })));
  box.dataset.fitted = String(data.fitted);
  box.dataset.model = settings.model;
}

// The equalised curve for the plot, when the panel is open and its record
// answers the design and grid of the response drawn; else none.
export function equalisedCurves(view, record) {
  const eq = view.channels.eq.record;
  if (!view.eq.open || !eq.data || !view.fields.same(eq.design, record.design) ||
      eq.settings.grid !== record.settings.grid || eq.settings.baffleOnly !== record.settings.baffleOnly ||
      eq.data.frequencies.length !== record.data.frequencies.length) {
    return [];
  }
  return [{
    key: "eq-equalised",
    label: `${view.columns.label(eq.data.column, record.design)}, equalised` +
      (eq.settings.model === "accurate" ? " (accurate)" : ""),
    levels: eq.data.equalised,
    stroke: "#db2777",
    width: 2.2,
  }];
}
