// The inputs: one number box per field of the served table, built into the
// group of its part ([data-part] in the page); the choices' radio buttons; and
// the wiring of every control to the studio's handlers.
import { CHOICE_FIELDS } from "./design.js";
import { shortFloat } from "./format.js";
import { grid } from "./settings.js";

const $ = (id) => document.getElementById(id);

const UNIT_TEXT = { "-": "", degrees: "°" };

function numberField(field) {
  const box = document.createElement("div");
  box.className = field.rectangularOnly ? "field rect-only" : "field";
  box.dataset.field = field.name;
  const title = `${field.label}: ${field.meaning}${field.rectangularOnly ? " (rectangular model only)" : ""}`;
  const label = Object.assign(document.createElement("label"), { htmlFor: field.name, textContent: field.label, title });
  const input = Object.assign(document.createElement("input"), {
    type: "number", id: field.name, step: String(field.step), min: String(field.low),
    max: String(field.high), inputMode: "decimal", title,
  });
  input.dataset.record = String(field.record);
  const unit = Object.assign(document.createElement("span"), {
    className: "unit", textContent: UNIT_TEXT[field.unit] ?? field.unit,
  });
  box.append(label, input, unit);
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
// came from, and the fields whose box holds no number.
export function newEditing() {
  return { design: null, start: null, source: "", invalid: new Set() };
}

export function showDesign(editing, fields) {
  for (const { name } of fields.numbers) {
    const text = shortFloat(editing.design[name]);
    if ($(name).value !== text) $(name).value = text;
  }
  for (const { name } of CHOICE_FIELDS) {
    const radio = $(`${name}-${editing.design[name]}`);
    if (radio) radio.checked = true;
  }
  editing.invalid.clear();
  markInvalid(editing, fields);
}

export function markInvalid(editing, fields) {
  for (const { name } of fields.numbers) {
    document.querySelector(`[data-field="${name}"]`).classList.toggle("invalid", editing.invalid.has(name));
  }
  $("grid-points").classList.toggle("invalid", $("grid-octave").checked && grid() === null);
}

function readNumber(editing, fields, name) {
  const input = $(name);
  const value = input.value.trim() === "" ? NaN : Number(input.value);
  if (Number.isFinite(value)) {
    editing.design[name] = value;
    editing.invalid.delete(name);
  } else {
    editing.invalid.add(name);
  }
  markInvalid(editing, fields);
}

// The driver moved in the drawing.
export function moveDriver(editing, fields, x, y) {
  editing.design.driverXCm = x;
  editing.design.driverYCm = y;
  $("driverXCm").value = shortFloat(x);
  $("driverYCm").value = shortFloat(y);
  editing.invalid.delete("driverXCm");
  editing.invalid.delete("driverYCm");
  markInvalid(editing, fields);
}

// on: {change({variants}), polarSettings(), revert(), pin(), parameterFile(),
// png(), polarIndex(index), polarHz(hz)}.
export function wireInputs(editing, fields, on) {
  for (const { name } of fields.numbers) {
    $(name).addEventListener("input", () => {
      readNumber(editing, fields, name);
      on.change();
    });
    // On leaving the field, show the value as it is taken.
    $(name).addEventListener("change", () => {
      readNumber(editing, fields, name);
      if (!editing.invalid.has(name)) $(name).value = shortFloat(editing.design[name]);
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
  $("angle-step").addEventListener("change", on.polarSettings);
  $("revert").addEventListener("click", on.revert);
  $("pin").addEventListener("click", on.pin);
  $("download-parameter-file").addEventListener("click", on.parameterFile);
  $("download-png").addEventListener("click", on.png);
  $("polar-frequency").addEventListener("input", () => on.polarIndex(Number($("polar-frequency").value)));
  $("polar-frequency-hz").addEventListener("change", () => {
    const hz = Number($("polar-frequency-hz").value);
    if (Number.isFinite(hz) && hz > 0) on.polarHz(hz);
  });
}
