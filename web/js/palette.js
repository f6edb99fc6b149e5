// The sonogram's colours as the server serves them: stops of a level relative
// to on axis and a colour, levels between two stops blended between theirs,
// levels beyond the ends taking the end's colour.

function rgbOf(hex) {
  const n = Number.parseInt(hex.slice(1), 16);
  return [(n >> 16) & 255, (n >> 8) & 255, n & 255];
}

export class Palette {
  // stops: [{levelDb, colour: "#rrggbb"}] in rising levels.
  constructor(stops) {
    this.stops = stops.map((s) => [s.levelDb, rgbOf(s.colour)]);
    this.lowDb = this.stops[0][0];
    this.highDb = this.stops[this.stops.length - 1][0];
  }

  colour(db) {
    if (db === null || !Number.isFinite(db)) return "rgb(200,200,200)";
    const stops = this.stops;
    const v = Math.min(Math.max(db, this.lowDb), this.highDb);
    let i = 1;
    while (i < stops.length - 1 && v > stops[i][0]) ++i;
    const [v0, c0] = stops[i - 1];
    const [v1, c1] = stops[i];
    const t = v1 === v0 ? 0 : (v - v0) / (v1 - v0);
    const c = c0.map((x, k) => Math.round(x + t * (c1[k] - x)));
    return `rgb(${c[0]},${c[1]},${c[2]})`;
  }
}
