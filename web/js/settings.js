// The settings beside the design: the grid the responses are computed on, the
// phase of downloaded FRD files, and the directivity's angle step.
const $ = (id) => document.getElementById(id);

// "standard", a number of points per octave (1 to 96) as text, or null when
// the box holds none.
export function grid() {
  if ($("grid-standard").checked) return "standard";
  const n = Number($("grid-points").value);
  return Number.isInteger(n) && n >= 1 && n <= 96 ? String(n) : null;
}

export function responseSettings() {
  return { grid: grid(), phase: $("phase").value };
}

// The directivity's settings: its grid and angles.
export function polarSettings() {
  return { grid: grid(), angles: `-90:90:${Number($("angle-step").value)}` };
}

export function gridLabel(g) {
  return g === "standard" ? "standard grid, 81 points" : `${g} points per octave`;
}
