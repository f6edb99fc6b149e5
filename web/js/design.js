// What the studio knows about a design: its fields, the parameter file's
// records they come from, and how response columns are named and drawn.

// The numeric fields, each with the record of Opbaffin.txt it is written to.
export const NUMBER_FIELDS = [
  { name: "baffleHeightCm", record: 3, unit: "cm" },
  { name: "baffleWidthCm", record: 4, unit: "cm" },
  { name: "driverXCm", record: 5, unit: "cm" },
  { name: "driverYCm", record: 6, unit: "cm" },
  { name: "driverDiameterCm", record: 7, unit: "cm" },
  { name: "resonanceHz", record: 8, unit: "Hz" },
  { name: "qualityFactor", record: 9, unit: "" },
  { name: "listenerDistanceM", record: 10, unit: "m" },
  { name: "roundBaffleDiameterCm", record: 13, unit: "cm" },
  { name: "offAxisAngleDeg", record: 15, unit: "°" },
];

// The choices, each a group of radio buttons named after its field.
export const CHOICE_FIELDS = [
  { name: "model", record: 2, values: ["rectangular", "single-path", "single-path-half-delay"] },
  { name: "rearPhaseFactor", record: 11, values: ["on", "off"] },
  { name: "pistonFactor", record: 12, values: ["on", "off"] },
  { name: "rearLevel", record: 14, values: ["full", "half"] },
];

// Every field of a design, in the order of the JSON the server takes.
export const FIELD_ORDER = [
  "model", "baffleHeightCm", "baffleWidthCm", "driverXCm", "driverYCm", "driverDiameterCm",
  "resonanceHz", "qualityFactor", "listenerDistanceM", "rearPhaseFactor", "pistonFactor",
  "roundBaffleDiameterCm", "rearLevel", "offAxisAngleDeg",
];

const FIELD_OF_RECORD = new Map(
  [...NUMBER_FIELDS, ...CHOICE_FIELDS].map((field) => [field.record, field.name]),
);

// The field a check note concerns, or null for the design as a whole (record
// 0) and for the first record, which holds no value of the design.
export function fieldOfRecord(record) {
  return FIELD_OF_RECORD.get(record) ?? null;
}

// A copy with the fields in the server's order.
export function copyDesign(design) {
  const copy = {};
  for (const name of FIELD_ORDER) copy[name] = design[name];
  return copy;
}

export function sameDesign(a, b) {
  return !!a && !!b && FIELD_ORDER.every((name) => Object.is(a[name], b[name]));
}

export function isRectangular(design) {
  return design.model === "rectangular";
}

// Response columns: how each is labelled, drawn, and whether it is drawn at all.
const COLUMN_STYLES = {
  "rectangular-on-axis": { stroke: "#1d4ed8", width: 2.4 },
  "round-baffle-on-axis": { stroke: "#d97706", width: 1.6 },
  "rectangular-off-axis": { stroke: "#059669", width: 1.6 },
  "single-path-full-rear": { stroke: "#1d4ed8", width: 2.4 },
  "single-path-bare-rear": { stroke: "#d97706", width: 1.6 },
  "no-path": { stroke: "#94a3b8", width: 1.4, dash: [5, 4] },
};

export function isDrawnColumn(name) {
  return name in COLUMN_STYLES;
}

export function columnStyle(name) {
  return COLUMN_STYLES[name] ?? { stroke: "#64748b", width: 1.4 };
}

export function columnLabel(name, design) {
  const round = `round ⌀${design.roundBaffleDiameterCm} cm`;
  switch (name) {
    case "rectangular-on-axis": return "rectangular, on axis";
    case "round-baffle-on-axis": return `${round}, on axis`;
    case "rectangular-off-axis": return `rectangular, ${design.offAxisAngleDeg}° off axis`;
    case "single-path-full-rear": return `${round}, on axis`;
    case "single-path-bare-rear": return `${round}, bare rear source`;
    case "reference-level": return "reference level";
    case "no-path": return "no baffle (no path)";
    default: return name;
  }
}

// Colours of pinned variants, in the order they are handed out.
export const VARIANT_COLOURS = [
  "#dc2626", "#7c3aed", "#0891b2", "#c026d3", "#65a30d", "#ea580c", "#0f766e", "#be123c",
];

export const MAX_VARIANTS = 8;

// A short default name for a pinned design.
export function describeDesign(design) {
  if (isRectangular(design)) {
    return `${design.baffleWidthCm}×${design.baffleHeightCm}, driver ${design.driverXCm}/${design.driverYCm}`;
  }
  const kind = design.model === "single-path" ? "single path" : "half delay";
  return `${kind}, round ⌀${design.roundBaffleDiameterCm}`;
}
