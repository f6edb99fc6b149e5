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

// The finest grid the directivity is computed on: round the whole circle at
// the finest step (2 degrees, 181 angles) it stays within the server's
// 100,000 levels a request.
const POLAR_MAX_POINTS = 48;

// The grid of the directivity: the response's, at most POLAR_MAX_POINTS per octave.
export function polarGrid(g) {
  return g === null || g === "standard" || Number(g) <= POLAR_MAX_POINTS ? g : String(POLAR_MAX_POINTS);
}

// The directivity's settings: its grid, angles and model.
export function polarSettings() {
  return {
    grid: polarGrid(grid()),
    angles: `-180:180:${Number($("angle-step").value)}`,
    model: accurateOn() ? "accurate" : "classic",
  };
}

export function gridLabel(g) {
  return g === "standard" ? "standard grid, 81 points" : `${g} points per octave`;
}
