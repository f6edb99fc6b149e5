// The settings beside the design: the grid the responses are computed on, the
// phase of downloaded FRD files, whether the driver's high-pass is left out,
// the directivity's angle step, and whether the accurate model is drawn too.
const $ = (id) => document.getElementById(id);

// "standard", a number of points per octave (1 to 96) as text, or null when
// the box holds none.
export function grid() {
  if ($("grid-standard").checked) return "standard";
  const n = Number($("grid-points").value);
  return Number.isInteger(n) && n >= 1 && n <= 96 ? String(n) : null;
}

// Whether the curves are the baffle's own, without the driver's high-pass.
export function baffleOnly() {
  return $("baffle-only").checked;
}

// The baffle's own levels go with the baffle's own phase.
export function responseSettings() {
  const alone = baffleOnly();
  return { grid: grid(), phase: alone ? "baffle" : $("phase").value, baffleOnly: alone };
}

// Whether the accurate model is drawn beside the classic one.
export function accurateOn() {
  return $("accurate").checked;
}

// The accurate curves' settings: those of the response on the accurate model.
export function accurateSettings() {
  return { ...responseSettings(), model: "accurate" };
}

// The directivity's settings: its grid, angles and model.
export function polarSettings() {
  return {
    grid: grid(),
    angles: `-90:90:${Number($("angle-step").value)}`,
    model: accurateOn() ? "accurate" : "classic",
  };
}

export function gridLabel(g) {
  return g === "standard" ? "standard grid, 81 points" : `${g} points per octave`;
}
