// The scale drawing and its caption, of the design being edited, with the
// fields that the checks flag.
import { shortFloat } from "./format.js";
import { flaggedFields } from "./notes-panel.js";

const MODEL_WORDS = {
  rectangular: "Rectangular baffle",
  "single-path": "Single-path model on the round baffle",
  "single-path-half-delay": "Single-path model (half delay) on the round baffle",
};

export function renderDrawing(view) {
  const d = view.editing.design;
  view.drawing.update(d, flaggedFields(view));
  document.getElementById("drawing-caption").textContent =
    `${MODEL_WORDS[d.model]}. Driver ⌀${shortFloat(d.driverDiameterCm)} cm; listener ${shortFloat(d.listenerDistanceM)} m in front. ` +
    "Positive angles point to the right edge.";
}
