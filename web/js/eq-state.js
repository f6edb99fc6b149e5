// The EQ panel's work as it is kept in a session: the fit's settings, the
// chain in its table (null before the first fit) and whether the panel is
// open. The ranges are those the server takes; a kept value is read against
// them before any of it is used.

export const FILTER_TYPES = ["low-shelf", "peaking", "high-shelf", "high-pass", "low-pass"];

// A filter's numbers, as ?chain= takes them.
export const FILTER_LIMITS = {
  frequencyHz: { low: 1, high: 20000 },
  gainDb: { low: -40, high: 40 },
  q: { low: 0.1, high: 20 },
};

// The fit's settings: each its box, its range, the page's default and whether
// it is a whole number.
export const SETTING_FIELDS = [
  { key: "from", box: "eq-band-from", low: 10, high: 20000, start: 40 },
  { key: "to", box: "eq-band-to", low: 10, high: 20000, start: 2000 },
  { key: "filters", box: "eq-count", low: 1, high: 12, start: 6, integer: true },
  { key: "maxBoost", box: "eq-max-boost", low: 0, high: 40, start: 12 },
  { key: "maxQ", box: "eq-max-q", low: 0.5, high: 20, start: 4 },
  { key: "tilt", box: "eq-tilt", low: -20, high: 20, start: 0 },
  { key: "highPass", box: "eq-high-pass", low: 0, high: 20000, start: 0 },
];

// The server measures a chain of at most this many filters.
export const MAX_CHAIN = 16;

const within = (value, { low, high }) =>
  typeof value === "number" && Number.isFinite(value) && value >= low && value <= high;

// Whether a setting's value is one its box takes.
export function settingReads(field, value) {
  return within(value, field) && (!field.integer || Number.isInteger(value));
}

function isObject(value) {
  return typeof value === "object" && value !== null && !Array.isArray(value);
}

function settingsOf(value) {
  if (!isObject(value)) return { reason: "the EQ's settings are no object" };
  const settings = {};
  for (const field of SETTING_FIELDS) {
    if (!settingReads(field, value[field.key])) {
      return { reason: `the EQ's ${field.key} must be a number from ${field.low} to ${field.high}` };
    }
    settings[field.key] = value[field.key];
  }
  if (settings.from >= settings.to) return { reason: "the EQ's band must rise from its start to its end" };
  return { settings };
}

function filterOf(value, k) {
  if (!isObject(value) || !FILTER_TYPES.includes(value.type)) {
    return { reason: `EQ filter ${k + 1} must be one of ${FILTER_TYPES.join(", ")}` };
  }
  const filter = { type: value.type };
  for (const [key, limits] of Object.entries(FILTER_LIMITS)) {
    if (!within(value[key], limits)) {
      return { reason: `EQ filter ${k + 1}: ${key} must be a number from ${limits.low} to ${limits.high}` };
    }
    filter[key] = value[key];
  }
  return { filter };
}

function chainOf(value) {
  if (value === null) return { chain: null };
  if (!Array.isArray(value)) return { reason: "the EQ's filters are no list" };
  if (value.length > MAX_CHAIN) {
    return { reason: `the EQ holds ${value.length} filters; the studio measures at most ${MAX_CHAIN}` };
  }
  const chain = [];
  for (const [k, item] of value.entries()) {
    const read = filterOf(item, k);
    if (read.reason) return read;
    chain.push(read.filter);
  }
  return { chain };
}

// {eq: {settings, filters, open}} or {reason}, of a session's "eq" value.
export function readEqState(value) {
  if (!isObject(value)) return { reason: "the EQ is no object" };
  const settings = settingsOf(value.settings);
  if (settings.reason) return settings;
  const chain = chainOf(value.filters);
  if (chain.reason) return chain;
  return { eq: { settings: settings.settings, filters: chain.chain, open: value.open === true } };
}

// The EQ's work as a session keeps it.
export function eqStateOf(eq) {
  return {
    settings: { ...eq.settings },
    filters: eq.filters ? eq.filters.map((f) => ({ ...f })) : null,
    open: eq.open,
  };
}

// The settings the page starts with.
export function startSettings() {
  return Object.fromEntries(SETTING_FIELDS.map((f) => [f.key, f.start]));
}
