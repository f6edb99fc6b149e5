// The inputs: one number box per field of the served table, built into the
// group of its part ([data-part] in the page); the choices' radio buttons; and
// the wiring of every control to the studio's handlers.
import { CHOICE_FIELDS } from "./design.js";
import { formatValue, readValue, shownUnit, stepValue } from "./number-input.js";
import { grid } from "./settings.js";

const $ = (id) => document.getElementById(id);

function unitText(field, preference) {
  return shownUnit(field.unit, preference)?.symbol ?? "";
}

// A text box rather than type="number": a number box drops what it cannot
// read ("0,7" becomes "07", "15in" a bare 15) without saying so.
function numberField(field) {
  const box = document.createElement("div");
  box.className = field.rectangularOnly ? "field rect-only" : "field";
  box.dataset.field = field.name;
  const title = `${field.label}: ${field.meaning}${field.rectangularOnly ? " (rectangular model only)" : ""}`;
  const label = Object.assign(document.createElement("label"), { htmlFor: field.name, textContent: field.label, title });
  const input = Object.assign(document.createElement("input"), {
    type: "text", id: field.name, inputMode: "decimal", autocomplete: "off", spellcheck: false, title,
  });
  // The served step and range, as a number box would carry them (arrow keys step).
  Object.assign(input, { step: String(field.step), min: String(field.low), max: String(field.high) });
  input.dataset.record = String(field.record);
  input.setAttribute("aria-describedby", `${field.name}-note`);
  const unit = Object.assign(document.createElement("span"), { className: "unit", textContent: unitText(field, "cm") });
  // What the box took, or why it took nothing; the checks' notes come below it.
  const note = Object.assign(document.createElement("p"), { className: "input-note", id: `${field.name}-note` });
  note.setAttribute("aria-live", "polite");
  box.append(label, input, unit, note);
  return box;
}

// Builds the number boxes of `fields` (in their order) and a notes box under
// every field.
export function buildInputs(fields) {
  for (const field of fields.numbers) {
    const group = document.querySelector(`[data-part="${field.part}"]`);
    if (group) group.append(numberField(field));
  }
  for (const element of document.querySelectorAll(".field[data-field], .switch-row[data-field]")) {
    const box = document.createElement("div");
    box.className = "notes";
    box.dataset.notesFor = element.dataset.field;
    element.append(box);
  }
}

// The editing state: the design, the one the studio started from, where that
// came from, the fields whose box holds no readable value, what each box's
// note says ({text, error}), each field's value before its box was last typed
// in, and the length preference ("cm" or "in").
export function newEditing() {
  return {
    design: null, start: null, source: "", invalid: new Set(), notes: new Map(), before: new Map(), units: "cm",
  };
}

function showValue(editing, field) {
  const text = formatValue(editing.design[field.name], field.unit, editing.units);
  if ($(field.name).value !== text) $(field.name).value = text;
}

export function showDesign(editing, fields) {
  for (const field of fields.numbers) showValue(editing, field);
  for (const { name } of CHOICE_FIELDS) {
    const radio = $(`${name}-${editing.design[name]}`);
    if (radio) radio.checked = true;
  }
  editing.invalid.clear();
  editing.notes.clear();
  editing.before.clear();
  markInvalid(editing, fields);
}

// The length preference: every length box shows its value in it anew.
export function showUnits(editing, fields, preference) {
  editing.units = preference === "in" ? "in" : "cm";
  for (const field of fields.numbers) {
    $(field.name).closest(".field").querySelector(".unit").textContent = unitText(field, editing.units);
    if (editing.design && !editing.invalid.has(field.name)) showValue(editing, field);
  }
  editing.notes.clear();
  markInvalid(editing, fields);
}

export function markInvalid(editing, fields) {
  for (const { name } of fields.numbers) {
    const invalid = editing.invalid.has(name);
    document.querySelector(`[data-field="${name}"]`).classList.toggle("invalid", invalid);
    const input = $(name);
    input.classList.toggle("unreadable", invalid);
    if (invalid) input.setAttribute("aria-invalid", "true");
    else input.removeAttribute("aria-invalid");
    const note = editing.notes.get(name);
    const line = $(`${name}-note`);
    line.textContent = note?.text ?? "";
    line.classList.toggle("error", !!note?.error);
  }
  $("grid-points").classList.toggle("invalid", $("grid-octave").checked && grid() === null);
}

function readNumber(editing, fields, field) {
  const read = readValue($(field.name).value, field.unit, editing.units);
  if (read.ok) {
    editing.design[field.name] = read.value;
    editing.invalid.delete(field.name);
    if (read.note) editing.notes.set(field.name, { text: read.note, error: false });
    else editing.notes.delete(field.name);
  } else {
    // What was typed before the text stopped reading ("3" of "3cm") is no value
    // anybody meant: the field goes back to its value from before the typing.
    if (editing.before.has(field.name)) editing.design[field.name] = editing.before.get(field.name);
    const kept = formatValue(editing.design[field.name], field.unit, editing.units);
    const unit = unitText(field, editing.units);
    editing.invalid.add(field.name);
    editing.notes.set(field.name, { text: `${read.reason} ${kept}${unit ? ` ${unit}` : ""} stays in use.`, error: true });
  }
  markInvalid(editing, fields);
}

// The driver moved in the drawing.
export function moveDriver(editing, fields, x, y) {
  editing.design.driverXCm = x;
  editing.design.driverYCm = y;
  for (const field of fields.numbers.filter((f) => f.name === "driverXCm" || f.name === "driverYCm")) {
    showValue(editing, field);
    editing.invalid.delete(field.name);
    editing.notes.delete(field.name);
    editing.before.set(field.name, editing.design[field.name]);
  }
  markInvalid(editing, fields);
}

// on: {change({variants}), units(preference), polarSettings(), revert(), pin(), parameterFile(),
// png(), saveSession(), polarIndex(index), polarHz(hz)}.
export function wireInputs(editing, fields, on) {
  for (const field of fields.numbers) {
    const input = $(field.name);
    const settle = () => {
      if (!editing.invalid.has(field.name)) editing.before.set(field.name, editing.design[field.name]);
    };
    input.addEventListener("focus", settle);
    input.addEventListener("input", () => {
      readNumber(editing, fields, field);
      on.change();
    });
    // On leaving the field, show the value as it is taken, in the box's unit.
    input.addEventListener("change", () => {
      readNumber(editing, fields, field);
      if (!editing.invalid.has(field.name)) showValue(editing, field);
      on.change();
    });
    input.addEventListener("keydown", (event) => {
      const direction = { ArrowUp: 1, ArrowDown: -1 }[event.key];
      if (!direction || editing.invalid.has(field.name)) return;
      event.preventDefault();
      const step = event.shiftKey ? 10 * field.step : field.step;
      editing.design[field.name] =
        stepValue(editing.design[field.name], step, direction, field.unit, editing.units);
      editing.notes.delete(field.name);
      showValue(editing, field);
      settle();
      markInvalid(editing, fields);
      on.change();
    });
  }
  for (const { name, values } of CHOICE_FIELDS) {
    for (const value of values) {
      $(`${name}-${value}`).addEventListener("change", (event) => {
        if (!event.target.checked) return;
        editing.design[name] = value;
        on.change();
      });
    }
  }
  const regrid = () => {
    markInvalid(editing, fields);
    on.change({ variants: true });
  };
  $("grid-standard").addEventListener("change", regrid);
  $("grid-octave").addEventListener("change", regrid);
  $("grid-points").addEventListener("input", () => {
    $("grid-octave").checked = true;
    regrid();
  });
  $("phase").addEventListener("change", () => on.change({ variants: true }));
  $("length-unit").addEventListener("change", () => {
    showUnits(editing, fields, $("length-unit").value);
    on.units(editing.units);
  });
  $("angle-step").addEventListener("change", on.polarSettings);
  $("revert").addEventListener("click", on.revert);
  $("pin").addEventListener("click", on.pin);
  $("download-parameter-file").addEventListener("click", on.parameterFile);
  $("download-png").addEventListener("click", on.png);
  $("save-session").addEventListener("click", on.saveSession);
  $("polar-frequency").addEventListener("input", () => on.polarIndex(Number($("polar-frequency").value)));
  $("polar-frequency-hz").addEventListener("change", () => {
    const hz = Number($("polar-frequency-hz").value);
    if (Number.isFinite(hz) && hz > 0) on.polarHz(hz);
  });
}
