// Response columns as the server names and labels them, and how the page
// draws each. A label such as "Round baffle {roundBaffleDiameterCm} cm, on axis"
// is filled in from the design its response is for.
import { shortFloat } from "./format.js";

const STYLES = {
  "rectangular-on-axis": { stroke: "#1d4ed8", width: 2.4 },
  "round-baffle-on-axis": { stroke: "#d97706", width: 1.6 },
  "rectangular-off-axis": { stroke: "#059669", width: 1.6 },
  "single-path-full-rear": { stroke: "#1d4ed8", width: 2.4 },
  "single-path-bare-rear": { stroke: "#d97706", width: 1.6 },
  "no-path": { stroke: "#94a3b8", width: 1.4, dash: [5, 4] },
};
const OTHER_STYLE = { stroke: "#64748b", width: 1.4 };

export function columnStyle(key) {
  return STYLES[key] ?? OTHER_STYLE;
}

export function fillLabel(label, design) {
  return label.replace(/\{([A-Za-z]+)\}/g, (whole, name) =>
    typeof design[name] === "number" ? shortFloat(design[name]) : whole);
}

export class ColumnLabels {
  // served: {model: [{key, label}, ...]}, the responses of each model.
  constructor(served) {
    this.served = served;
  }

  // The responses of a design's model that are drawn: every served one.
  isDrawn(model, key) {
    return (this.served[model] ?? []).some((c) => c.key === key);
  }

  label(key, design) {
    const column = (this.served[design.model] ?? []).find((c) => c.key === key);
    return column ? fillLabel(column.label, design) : key;
  }
}
