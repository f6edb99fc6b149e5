// The studio's work kept between visits and in files: the design being edited,
// the pinned variants (each its name and design), the length preference and
// the EQ panel's settings and filters (a session kept before the panel kept
// them has none, and reads all the same).
// What is read back, from the browser's storage or from a file someone hands
// the page, is checked field by field against the served table before any of
// it is used; anything else is refused with the reason.
import { CHOICE_FIELDS, MAX_VARIANTS } from "./design.js";
import { eqStateOf, readEqState } from "./eq-state.js";

export const SESSION_KIND = "opbaff-studio-session";
export const SESSION_VERSION = 1;
// A session of eight variants takes about 4 KB; a file far beyond is no session.
export const MAX_SESSION_BYTES = 64 * 1024;
const MAX_NAME_LENGTH = 60;  // as the variants' name boxes take
const STORAGE_KEY = "opbaff-studio-session";

// The session as a plain object, ready for JSON.
export function sessionOf(fields, design, variants, units, eq) {
  return {
    kind: SESSION_KIND,
    version: SESSION_VERSION,
    units,
    design: fields.copy(design),
    variants: variants.map((v) => ({ name: v.name, design: fields.copy(v.design) })),
    eq: eqStateOf(eq),
  };
}

function isObject(value) {
  return typeof value === "object" && value !== null && !Array.isArray(value);
}

// The design a value holds, or the reason it holds none.
function designOf(value, fields, where) {
  if (!isObject(value)) return { reason: `${where} is no design` };
  const design = {};
  for (const { name } of fields.numbers) {
    if (typeof value[name] !== "number" || !Number.isFinite(value[name])) {
      return { reason: `${where}: ${name} must be a number` };
    }
    design[name] = value[name];
  }
  for (const { name, values } of CHOICE_FIELDS) {
    if (!values.includes(value[name])) return { reason: `${where}: ${name} must be one of ${values.join(", ")}` };
    design[name] = value[name];
  }
  return { design };
}

// {ok: true, session: {design, variants: [{name, design}], units, eq}} or
// {ok: false, reason}, of a value parsed from JSON; eq is null for a session
// without one.
export function readSession(value, fields) {
  if (!isObject(value) || value.kind !== SESSION_KIND) return { ok: false, reason: "this is no studio session" };
  if (value.version !== SESSION_VERSION) {
    return { ok: false, reason: `a session of version ${String(value.version).slice(0, 20)}, not ${SESSION_VERSION}` };
  }
  const current = designOf(value.design, fields, "the design");
  if (current.reason) return { ok: false, reason: current.reason };
  if (!Array.isArray(value.variants)) return { ok: false, reason: "its variants are no list" };
  if (value.variants.length > MAX_VARIANTS) {
    return { ok: false, reason: `it holds ${value.variants.length} variants; the studio keeps at most ${MAX_VARIANTS}` };
  }
  const variants = [];
  for (const [k, variant] of value.variants.entries()) {
    if (!isObject(variant) || typeof variant.name !== "string" || variant.name.length > MAX_NAME_LENGTH) {
      return { ok: false, reason: `variant ${k + 1} needs a name of at most ${MAX_NAME_LENGTH} characters` };
    }
    const read = designOf(variant.design, fields, `variant ${k + 1}`);
    if (read.reason) return { ok: false, reason: read.reason };
    variants.push({ name: variant.name, design: read.design });
  }
  const units = value.units === "in" ? "in" : "cm";
  const eq = value.eq === undefined ? { eq: null } : readEqState(value.eq);
  if (eq.reason) return { ok: false, reason: eq.reason };
  return { ok: true, session: { design: current.design, variants, units, eq: eq.eq } };
}

// A session file's text read as readSession reads its value.
export function readSessionText(text, fields) {
  if (text.length > MAX_SESSION_BYTES) {
    return { ok: false, reason: `more than ${MAX_SESSION_BYTES / 1024} KiB is no session` };
  }
  let value;
  try {
    value = JSON.parse(text);
  } catch {
    return { ok: false, reason: "this is not JSON" };
  }
  return readSession(value, fields);
}

// Keeps the session in the browser; a full or forbidden storage keeps nothing.
export function storeSession(session) {
  try {
    localStorage.setItem(STORAGE_KEY, JSON.stringify(session));
  } catch {
    // nowhere to keep it: the page works on without
  }
}

// The session kept by the last visit, or null when there is none that reads.
export function storedSession(fields) {
  try {
    const text = localStorage.getItem(STORAGE_KEY);
    if (text === null) return null;
    const read = readSessionText(text, fields);
    return read.ok ? read.session : null;
  } catch {
    return null;
  }
}
