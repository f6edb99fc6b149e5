// The table of variants and figures of merit, drawn from the response
// channel's record and the variants' records.
import { sameSettings } from "./channel.js";
import { columnStyle } from "./columns.js";
import { MAX_VARIANTS } from "./design.js";
import { formatDb, formatHz, formatRelativeDb } from "./format.js";
import { variantColumn } from "./variants.js";

const $ = (id) => document.getElementById(id);

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
    td.textContent = value === "none" ? "none" : text(value);
    return td;
  };
  return [
    cell("medianDb", (v) => formatDb(v, 1)),
    cell("peakOverMedianDb", formatRelativeDb),
    cell("peakFrequencyHz", formatHz),
    cell("medianMinus3Hz", formatHz),
    cell("medianMinus6Hz", formatHz),
    cell("bandRippleDb", (v) => formatDb(v, 1)),
  ];
}

// "1 kHz to 5 kHz", the band the figures are measured in.
function bandText(merit) {
  const hz = (f) => (f >= 1000 ? `${f / 1000} kHz` : `${f} Hz`);
  return merit ? `${hz(merit.bandFromHz)} to ${hz(merit.bandToHz)}` : "";
}

export function button(text, title, onClick, className = "small") {
  const b = document.createElement("button");
  b.type = "button";
  b.className = className;
  b.textContent = text;
  b.title = title;
  b.addEventListener("click", onClick);
  return b;
}

function cellOf(className, ...children) {
  const td = document.createElement("td");
  if (className) td.className = className;
  td.append(...children);
  return td;
}

function currentRow(response) {
  const tr = document.createElement("tr");
  tr.dataset.row = "current";
  const column = response.merit?.column ?? "";
  tr.dataset.column = column;
  tr.append(cellOf("", swatchMark("swatch", { background: columnStyle(column).stroke })),
            cellOf("name", "Current design"), cellOf("curve", column),
            ...meritCells(response.merit), cellOf("actions"));
  return tr;
}

// on: {rename(variant, name), edit(variant), frd(variant), parameterFile(variant), remove(variant)}.
function variantRow(variant, settings, on) {
  const { data, error } = variant.channel.record;
  const tr = document.createElement("tr");
  tr.dataset.row = `variant-${variant.id}`;
  tr.dataset.column = data?.merit?.column ?? "";
  const onGrid = data !== null && sameSettings(variant.channel.record.settings, settings);
  if (!onGrid) tr.classList.add("stale");
  const input = document.createElement("input");
  Object.assign(input, { type: "text", value: variant.name, maxLength: 60, title: "Name of this variant" });
  input.dataset.variantName = String(variant.id);
  input.addEventListener("input", () => on.rename(variant, input.value));
  const group = document.createElement("div");
  group.append(
    button("Edit", "Make this variant the current design", () => on.edit(variant)),
    button("FRD", "Download the FRD file of this variant's curve", () => on.frd(variant)),
    button("Opbaffin.txt", "Download this variant as a parameter file", () => on.parameterFile(variant)),
    button("✕", "Remove this variant", () => on.remove(variant), "small remove"),
  );
  tr.append(cellOf("", swatchMark("swatch dashed", { borderColor: variant.colour })),
            cellOf("name", input),
            cellOf("curve", error ? `error: ${error}` : variantColumn(variant).name),
            ...meritCells(onGrid ? data.merit : null), cellOf("actions", group));
  return tr;
}

export function renderMerit(view, on) {
  const body = $("merit-body");
  // Keep the row being renamed, so that typing is not interrupted.
  const focused = document.activeElement?.dataset?.variantName;
  const record = view.channels.response.record;
  const rows = record.data ? [currentRow(record.data)] : [];
  for (const variant of view.variants.list) rows.push(variantRow(variant, record.settings, on));
  body.replaceChildren(...rows);
  if (focused) {
    const input = body.querySelector(`input[data-variant-name="${focused}"]`);
    if (input) {
      input.focus();
      input.setSelectionRange(input.value.length, input.value.length);
    }
  }
  const pinned = view.variants.list.length;
  const band = record.data ? `against the median level of ${bandText(record.data.merit)}` : "";
  const only = record.settings?.baffleOnly ? " · baffle only" : "";
  $("merit-hint").textContent = pinned
    ? `${band}${only} · ${pinned} of ${MAX_VARIANTS} pinned`
    : `${band}${only} · pin a design to compare`;
}
