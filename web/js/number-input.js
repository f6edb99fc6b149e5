// What people type into a number box, read whatever the browser's locale: a
// decimal point or a decimal comma ("0.7", "0,7"), and for a quantity with a
// unit an optional unit after the number ("15in", "15\"", "380 mm", "0.38m",
// "2 kHz"). A value is read into the unit the box shows and, when it was typed
// in another, the note says what it became ("15 in = 38.1 cm"); text that does
// not read is refused with the reason, never guessed at.
import { shortFloat } from "./format.js";

// The units a value may be typed in: each unit's quantity, its size in that
// quantity's base unit (cm, Hz, degrees) and the words that name it (lower case).
const UNITS = [
  { symbol: "mm", quantity: "length", size: 0.1, words: ["mm"] },
  { symbol: "cm", quantity: "length", size: 1, words: ["cm"] },
  { symbol: "m", quantity: "length", size: 100, words: ["m"] },
  { symbol: "in", quantity: "length", size: 2.54, words: ["in", "inch", "inches", "\"", "″", "''"] },
  { symbol: "ft", quantity: "length", size: 30.48, words: ["ft", "foot", "feet", "'", "′"] },
  { symbol: "Hz", quantity: "frequency", size: 1, words: ["hz"] },
  { symbol: "kHz", quantity: "frequency", size: 1000, words: ["khz"] },
  { symbol: "°", quantity: "angle", size: 1, words: ["°", "deg", "degree", "degrees"] },
];

// The served table's units ("cm", "m", "Hz", "degrees", "-") as units above;
// "-" (a plain number) has none.
const FIELD_UNITS = { cm: "cm", m: "m", Hz: "Hz", degrees: "°" };

// What the inches preference shows a length in instead of the field's unit.
const IMPERIAL = { cm: "in", m: "ft" };

function unitOf(symbol) {
  return UNITS.find((u) => u.symbol === symbol) ?? null;
}

function unitNamed(word) {
  const lower = word.toLowerCase();
  return UNITS.find((u) => u.words.includes(lower)) ?? null;
}

// The unit a field's box shows its value in, given the length preference
// ("cm" or "in"): null for a plain number.
export function shownUnit(fieldUnit, preference = "cm") {
  const own = FIELD_UNITS[fieldUnit];
  if (!own) return null;
  return unitOf(preference === "in" ? IMPERIAL[own] ?? own : own);
}

// An optional sign, digits with at most one decimal point or comma, an
// optional exponent; then anything else, which should be a unit.
const NUMBER_THEN_REST = /^([+\-−]?(?:\d+(?:[.,]\d*)?|[.,]\d+)(?:e[+\-−]?\d+)?)\s*(.*)$/i;

// The fewest digits that give the same single-precision value, as a number.
function tidy(x) {
  return Number(shortFloat(x));
}

// Text for a value in a unit: its shortest float form in the field's own unit,
// six significant digits in another.
function inUnit(value, from, to) {
  if (from === to) return shortFloat(value);
  return String(Number(((value * from.size) / to.size).toPrecision(6)));
}

function say(value, unit) {
  const text = shortFloat(value);
  return unit ? `${text} ${unit.symbol}` : text;
}

// The text a field's box shows for a value in the field's own unit.
export function formatValue(value, fieldUnit, preference = "cm") {
  const own = shownUnit(fieldUnit);
  const shown = shownUnit(fieldUnit, preference);
  return own && shown ? inUnit(value, own, shown) : shortFloat(value);
}

// Reads a box's text for a field of unit `fieldUnit` (the served table's) shown
// with the length preference. Answers {ok: true, value, note} with the value in
// the field's own unit and a note ("" when the text says just that number), or
// {ok: false, reason}.
export function readValue(text, fieldUnit, preference = "cm") {
  const trimmed = text.trim();
  if (trimmed === "") return { ok: false, reason: "Enter a number." };
  const match = NUMBER_THEN_REST.exec(trimmed);
  if (!match) return { ok: false, reason: `“${trimmed}” is not a number.` };
  const [, digits, unitText] = match;
  const comma = digits.includes(",");
  const number = Number(digits.replace(",", ".").replace(/−/g, "-"));
  if (!Number.isFinite(number) || Math.abs(number) > 3.4e38) {
    return { ok: false, reason: `${digits} is beyond any value a design can hold.` };
  }
  const own = shownUnit(fieldUnit);
  const shown = shownUnit(fieldUnit, preference);
  const typed = unitText === "" ? shown : unitNamed(unitText);
  if (unitText !== "" && !typed) {
    return { ok: false, reason: `“${unitText}” is no unit ${own ? "of this value" : "here"}.` };
  }
  if (typed && !own) return { ok: false, reason: `This value is a plain number, without ${typed.symbol}.` };
  if (typed && typed.quantity !== own.quantity) {
    return { ok: false, reason: `${typed.symbol} is no unit of this value, which is in ${own.symbol}.` };
  }
  const value = tidy(own ? (number * typed.size) / own.size : number);
  const notes = [];
  if (typed && typed !== shown) notes.push(`${say(number, typed)} = ${inUnit(value, own, shown)} ${shown.symbol}`);
  else if (comma) notes.push(`${digits} read as ${shortFloat(number)}`);
  if (shown && own && shown !== own) notes.push(`${say(value, own)} kept`);
  return { ok: true, value, note: notes.join(" · ") };
}

// The value one step up (+1) or down (-1) from `value` (in the field's unit),
// the step being `step` of the unit the box shows.
export function stepValue(value, step, direction, fieldUnit, preference = "cm") {
  const own = shownUnit(fieldUnit);
  const shown = shownUnit(fieldUnit, preference);
  if (!own || !shown || own === shown) return tidy(value + direction * step);
  const inShown = Number(((value * own.size) / shown.size).toPrecision(6));
  return tidy(((inShown + direction * step) * shown.size) / own.size);
}
