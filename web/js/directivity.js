// Directivity of the rectangular model: the sonogram (relative level against
// listening angle, -180 to 180 degrees, and log frequency, as a heat map) and a
// polar plot of the whole circle at one frequency (0 degrees up, in front of
// the baffle; 180 behind it; positive angles to the right). Relative level = level at the angle minus the level at 0 degrees;
// its colours and the polar plot's range are those of the served palette.
import { formatAngle, formatHz, formatRelativeDb, hzTick } from "./format.js";

// The angles run from -MAX_ANGLE to MAX_ANGLE: round the whole circle.
export const MAX_ANGLE = 180;
const SONOGRAM_ANGLE_TICKS = [-180, -135, -90, -45, 0, 45, 90, 135, 180];

// The relative levels [angle][frequency] of a polar answer; null where either
// level is not finite.
export function relativeLevels(polar) {
  return polar.levels.map((row) =>
    row.map((level, f) => {
      const ref = polar.onAxis[f];
      return level === null || ref === null ? null : level - ref;
    }),
  );
}

function setupCanvas(canvas) {
  const ratio = window.devicePixelRatio || 1;
  const width = canvas.clientWidth;
  const height = canvas.clientHeight;
  if (canvas.width !== Math.round(width * ratio) || canvas.height !== Math.round(height * ratio)) {
    canvas.width = Math.round(width * ratio);
    canvas.height = Math.round(height * ratio);
  }
  const ctx = canvas.getContext("2d");
  ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
  return { ctx, width, height };
}

const SVG_NS = "http://www.w3.org/2000/svg";
function svgElement(name, attributes, parent) {
  const node = document.createElementNS(SVG_NS, name);
  for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
  parent.appendChild(node);
  return node;
}

export class Directivity {
  // onPickFrequency(index) is called when the sonogram is clicked.
  constructor({ sonogram, colourScale, readout, polar, palette, onPickFrequency }) {
    this.palette = palette;
    this.sonogram = sonogram;
    this.colourScale = colourScale;
    this.readout = readout;
    this.polarSvg = polar;
    this.onPickFrequency = onPickFrequency;
    this.data = null;       // the polar answer
    this.relative = null;   // its relative levels
    this.frequencyIndex = 0;
    this.listenerAngle = null;
    this.margin = { left: 58, right: 8, top: 8, bottom: 38 };

    sonogram.addEventListener("mousemove", (event) => this.hover(event));
    sonogram.addEventListener("mouseleave", () => this.hover(null));
    sonogram.addEventListener("click", (event) => {
      const cell = this.cellAt(event);
      if (cell) this.onPickFrequency(cell.f);
    });
    new ResizeObserver(() => this.draw()).observe(sonogram);
  }

  show(polar, frequencyIndex, listenerAngle) {
    this.data = polar;
    this.relative = polar ? relativeLevels(polar) : null;
    this.frequencyIndex = frequencyIndex;
    this.listenerAngle = listenerAngle;
    this.draw();
  }

  setFrequencyIndex(index) {
    this.frequencyIndex = index;
    this.draw();
  }

  plotArea(width, height) {
    const m = this.margin;
    return { x: m.left, y: m.top, w: width - m.left - m.right, h: height - m.top - m.bottom };
  }

  logRange() {
    const f = this.data.frequencies;
    return [Math.log10(10), Math.log10(Math.max(20000, f[f.length - 1]))];
  }

  xOf(hz, area) {
    const [lo, hi] = this.logRange();
    return area.x + ((Math.log10(hz) - lo) / (hi - lo)) * area.w;
  }

  yOf(angle, area) {
    return area.y + ((MAX_ANGLE - angle) / (2 * MAX_ANGLE)) * area.h;
  }

  draw() {
    this.drawColourScale();
    this.drawSonogram();
    this.drawPolar();
  }

  drawSonogram() {
    const { ctx, width, height } = setupCanvas(this.sonogram);
    ctx.clearRect(0, 0, width, height);
    if (!this.data || width === 0) return;
    const area = this.plotArea(width, height);
    const { angles, frequencies } = this.data;
    const rel = this.relative;
    // Each cell reaches half way (in log frequency and in angle) to its neighbours.
    const xEdges = frequencies.map((f, i) => {
      if (i === 0) return this.xOf(f, area);
      return (this.xOf(frequencies[i - 1], area) + this.xOf(f, area)) / 2;
    });
    xEdges.push(this.xOf(frequencies[frequencies.length - 1], area));
    const step = angles.length > 1 ? Math.abs(angles[1] - angles[0]) : 2 * MAX_ANGLE;
    ctx.save();
    ctx.beginPath();
    ctx.rect(area.x, area.y, area.w, area.h);
    ctx.clip();
    ctx.fillStyle = "#e2e8f0";
    ctx.fillRect(area.x, area.y, area.w, area.h);
    // Cell edges on whole device pixels: neighbouring cells meet without seams
    // and none bleeds into the next, however thin the rows of the full circle.
    const ratio = window.devicePixelRatio || 1;
    const snap = (v) => Math.round(v * ratio) / ratio;
    const xs = xEdges.map(snap);
    angles.forEach((angle, a) => {
      const y0 = snap(this.yOf(Math.min(MAX_ANGLE, angle + step / 2), area));
      const y1 = snap(this.yOf(Math.max(-MAX_ANGLE, angle - step / 2), area));
      for (let f = 0; f < frequencies.length; ++f) {
        ctx.fillStyle = this.palette.colour(rel[a][f]);
        ctx.fillRect(xs[f], y0, xs[f + 1] - xs[f], y1 - y0);
      }
    });
    ctx.restore();

    // Axes: frequency ticks, angle ticks.
    ctx.font = "11px system-ui, sans-serif";
    ctx.fillStyle = "#475569";
    ctx.strokeStyle = "rgba(255,255,255,0.35)";
    ctx.lineWidth = 1;
    ctx.textAlign = "center";
    ctx.textBaseline = "top";
    for (const hz of [20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000]) {
      const x = this.xOf(hz, area);
      ctx.beginPath();
      ctx.moveTo(x, area.y);
      ctx.lineTo(x, area.y + area.h);
      ctx.stroke();
      ctx.fillText(hzTick(hz), x, area.y + area.h + 5);
    }
    ctx.fillText("Frequency (Hz)", area.x + area.w / 2, area.y + area.h + 21);
    ctx.textAlign = "right";
    ctx.textBaseline = "middle";
    for (const angle of SONOGRAM_ANGLE_TICKS) {
      const y = this.yOf(angle, area);
      ctx.strokeStyle = Math.abs(angle) === 90 ? "rgba(255,255,255,0.8)" : "rgba(255,255,255,0.35)";
      ctx.beginPath();
      ctx.moveTo(area.x, y);
      ctx.lineTo(area.x + area.w, y);
      ctx.stroke();
      ctx.fillText(formatAngle(angle), area.x - 5, y);
    }
    ctx.save();
    ctx.translate(12, area.y + area.h / 2);
    ctx.rotate(-Math.PI / 2);
    ctx.textAlign = "center";
    ctx.fillText("Angle (°), ±90° the baffle's plane", 0, 0);
    ctx.restore();

    // The listening angle of the off-axis curve, and the polar plot's frequency.
    if (this.listenerAngle !== null && Math.abs(this.listenerAngle) <= MAX_ANGLE) {
      const y = this.yOf(this.listenerAngle, area);
      ctx.setLineDash([4, 4]);
      ctx.strokeStyle = "rgba(255,255,255,0.9)";
      ctx.beginPath();
      ctx.moveTo(area.x, y);
      ctx.lineTo(area.x + area.w, y);
      ctx.stroke();
      ctx.setLineDash([]);
    }
    const fSel = frequencies[this.frequencyIndex];
    if (fSel !== undefined) {
      const x = this.xOf(fSel, area);
      ctx.strokeStyle = "#ffffff";
      ctx.lineWidth = 2;
      ctx.beginPath();
      ctx.moveTo(x, area.y);
      ctx.lineTo(x, area.y + area.h);
      ctx.stroke();
    }
  }

  drawColourScale() {
    const { lowDb, highDb } = this.palette;
    const { ctx, width, height } = setupCanvas(this.colourScale);
    ctx.clearRect(0, 0, width, height);
    const top = this.margin.top;
    const bottom = height - this.margin.bottom;
    const barWidth = 12;
    for (let y = top; y < bottom; ++y) {
      const db = highDb - ((y - top) / (bottom - top)) * (highDb - lowDb);
      ctx.fillStyle = this.palette.colour(db);
      ctx.fillRect(0, y, barWidth, 1.5);
    }
    ctx.font = "11px system-ui, sans-serif";
    ctx.fillStyle = "#475569";
    ctx.textBaseline = "middle";
    ctx.textAlign = "left";
    for (let db = highDb; db >= lowDb; db -= 6) {
      const y = top + ((highDb - db) / (highDb - lowDb)) * (bottom - top);
      ctx.fillRect(barWidth, y - 0.5, 3, 1);
      ctx.fillText(db > 0 ? `+${db}` : db === 0 ? "0" : `−${-db}`, barWidth + 5, y);
    }
    ctx.fillText("dB", barWidth + 5, bottom + 12);
  }

  // The centre of the cell of angle a and frequency f, in CSS pixels of the
  // sonogram's canvas.
  cellCentre(a, f) {
    const area = this.plotArea(this.sonogram.clientWidth, this.sonogram.clientHeight);
    const { angles, frequencies } = this.data;
    const x0 = f === 0 ? this.xOf(frequencies[0], area)
      : (this.xOf(frequencies[f - 1], area) + this.xOf(frequencies[f], area)) / 2;
    const x1 = f === frequencies.length - 1 ? this.xOf(frequencies[f], area)
      : (this.xOf(frequencies[f], area) + this.xOf(frequencies[f + 1], area)) / 2;
    return { x: (x0 + x1) / 2, y: this.yOf(angles[a], area) };
  }

  cellAt(event) {
    if (!this.data) return null;
    const rect = this.sonogram.getBoundingClientRect();
    const area = this.plotArea(rect.width, rect.height);
    const x = event.clientX - rect.left;
    const y = event.clientY - rect.top;
    if (x < area.x || x > area.x + area.w || y < area.y || y > area.y + area.h) return null;
    const [lo, hi] = this.logRange();
    const logF = lo + ((x - area.x) / area.w) * (hi - lo);
    const angle = MAX_ANGLE - ((y - area.y) / area.h) * 2 * MAX_ANGLE;
    const nearest = (values, target, key) => {
      let best = 0;
      values.forEach((v, i) => {
        if (Math.abs(key(v) - target) < Math.abs(key(values[best]) - target)) best = i;
      });
      return best;
    };
    return {
      f: nearest(this.data.frequencies, logF, Math.log10),
      a: nearest(this.data.angles, angle, (v) => v),
    };
  }

  hover(event) {
    const cell = event ? this.cellAt(event) : null;
    if (!cell) {
      this.readout.textContent = "hover for levels, click to choose the polar frequency";
      return;
    }
    const { angles, frequencies } = this.data;
    this.readout.textContent =
      `${formatHz(frequencies[cell.f])} at ${formatAngle(angles[cell.a])}: ` +
      `${formatRelativeDb(this.relative[cell.a][cell.f])} relative to 0°`;
  }

  drawPolar() {
    const { lowDb, highDb } = this.palette;
    const svg = this.polarSvg;
    svg.replaceChildren();
    const R = 100;
    svg.setAttribute("viewBox", "-128 -128 256 256");
    const radius = (db) =>
      (R * (Math.min(Math.max(db, lowDb), highDb) - lowDb)) /
      (highDb - lowDb);
    const point = (angle, r) => {
      const t = (angle * Math.PI) / 180;
      return [r * Math.sin(t), -r * Math.cos(t)];
    };
    const grid = svgElement("g", { class: "polar-grid" }, svg);
    for (let db = highDb; db >= lowDb + 6; db -= 6) {
      const r = radius(db);
      svgElement("circle", { cx: 0, cy: 0, r, class: db === 0 ? "ring zero" : "ring" }, grid);
      const label = svgElement("text", { x: 2, y: -r + 8, class: "ring-label" }, grid);
      label.textContent = db > 0 ? `+${db}` : db === 0 ? "0 dB" : `−${-db}`;
    }
    // Spokes every 30 degrees round the circle, the baffle's plane (±90) drawn firmer.
    for (let angle = -150; angle <= MAX_ANGLE; angle += 30) {
      const [x, y] = point(angle, R);
      const plane = Math.abs(angle) === 90;
      svgElement("line", { x1: 0, y1: 0, x2: x, y2: y, class: plane ? "spoke plane" : "spoke" }, grid);
      const [tx, ty] = point(angle, R + 14);
      const label = svgElement("text", { x: tx, y: ty + 3, class: "spoke-label", "text-anchor": "middle" }, grid);
      label.textContent = formatAngle(angle);
    }
    const front = svgElement("text", { x: 126, y: -116, class: "polar-side", "text-anchor": "end" }, grid);
    front.textContent = "front ↑";
    const rear = svgElement("text", { x: 126, y: 124, class: "polar-side", "text-anchor": "end" }, grid);
    rear.textContent = "rear ↓";
    if (!this.data) return;
    const f = this.frequencyIndex;
    if (this.listenerAngle !== null && Math.abs(this.listenerAngle) <= MAX_ANGLE) {
      const [x, y] = point(this.listenerAngle, R);
      svgElement("line", { x1: 0, y1: 0, x2: x, y2: y, class: "listener-spoke" }, svg);
    }
    const { d, points, gaps } = this.polarPath(f, (angle, v) => point(angle, radius(v)));
    if (!gaps && points.length > 1) {
      svgElement("path", { d: `M ${points.join(" L ")} Z`, class: "polar-fill" }, svg);
    }
    svgElement("path", { d, class: "polar-curve", id: "polar-curve" }, svg);
    const caption = svgElement("text", { x: -126, y: -116, class: "polar-caption" }, svg);
    caption.textContent = formatHz(this.data.frequencies[f]);
  }

  // The polar curve at frequency index f: its path (broken where a level is
  // not finite, closed when it runs round the whole circle), its points and
  // whether it has gaps.
  polarPath(f, place) {
    let d = "";
    let pen = false;
    let gaps = false;
    const points = [];
    this.data.angles.forEach((angle, a) => {
      const v = this.relative[a][f];
      if (v === null || v === undefined) {
        pen = false;
        gaps = true;
        return;
      }
      const [x, y] = place(angle, v);
      points.push(`${x.toFixed(2)} ${y.toFixed(2)}`);
      d += `${pen ? "L" : "M"} ${points[points.length - 1]} `;
      pen = true;
    });
    return { d, points, gaps };
  }
}
