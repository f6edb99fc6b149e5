// What the studio knows about a design: its numeric fields as the server
// serves them (the library's table of design fields), its choices, and the
// pinned variants' names and colours.

// The choices, each a group of radio buttons named after its field, with the
// record of Opbaffin.txt it is written to.
export const CHOICE_FIELDS = [
  { name: "model", record: 2, values: ["rectangular", "single-path", "single-path-half-delay"] },
  { name: "rearPhaseFactor", record: 11, values: ["on", "off"] },
  { name: "pistonFactor", record: 12, values: ["on", "off"] },
  { name: "rearLevel", record: 14, values: ["full", "half"] },
];

// The design's fields, from the server's table of numeric fields ({name, unit,
// record, meaning, label, part, rectangularOnly, step, low, high}) and the
// choices above.
export class DesignFields {
  constructor(numberFields) {
    this.numbers = numberFields;
    this.names = [...CHOICE_FIELDS.map((f) => f.name), ...numberFields.map((f) => f.name)];
    this.ofRecord = new Map([...numberFields, ...CHOICE_FIELDS].map((f) => [f.record, f.name]));
  }

  // The field a check note concerns, or null for the design as a whole
  // (record 0) and for the first record, which holds no value of the design.
  fieldOfRecord(record) {
    return this.ofRecord.get(record) ?? null;
  }

  // A copy holding exactly the design's fields.
  copy(design) {
    const copy = {};
    for (const name of this.names) copy[name] = design[name];
    return copy;
  }

  same(a, b) {
    return !!a && !!b && this.names.every((name) => Object.is(a[name], b[name]));
  }
}

export function isRectangular(design) {
  return design.model === "rectangular";
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
