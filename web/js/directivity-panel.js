// The directivity panel, drawn from the polar channel's record: the sonogram
// and polar plot of the design it answered, marked stale while that is not the
// design being edited.
import { isRectangular } from "./design.js";
import { shortFloat } from "./format.js";

const $ = (id) => document.getElementById(id);

export function nearestIndex(frequencies, hz) {
  let best = 0;
  frequencies.forEach((f, i) => {
    if (Math.abs(Math.log(f / hz)) < Math.abs(Math.log(frequencies[best] / hz))) best = i;
  });
  return best;
}

export function renderDirectivity(view) {
  const panel = $("directivity");
  const rectangular = isRectangular(view.editing.design);
  panel.classList.toggle("off", !rectangular);
  $("directivity-off").hidden = rectangular;
  const { data, design, error } = view.channels.polar.record;
  if (!rectangular || !data) {
    view.directivity.show(null, 0, null);
    if (rectangular && error) $("sonogram-readout").textContent = error;
    return;
  }
  const index = nearestIndex(data.frequencies, view.polarHz);
  const slider = $("polar-frequency");
  slider.max = String(data.frequencies.length - 1);
  slider.value = String(index);
  $("polar-frequency-hz").value = shortFloat(data.frequencies[index]);
  view.directivity.show(data, index, design.offAxisAngleDeg);
  panel.classList.toggle("stale", !view.fields.same(design, view.editing.design));
}
