// The speaker's baffle to scale as the listener in front sees it: its outline
// (square, chamfered or rounded corners, or a polygon) and every driver as a
// circle of its diameter, each draggable. The SVG's user units are cm, y up
// from the baffle's lower left corner, as in the speaker file.
const SVG_NS = "http://www.w3.org/2000/svg";
const MARGIN_CM = 4;
const POINT_SOURCE_RADIUS_CM = 1.5;  // how a driver of diameter 0 is drawn

function element(name, attributes, parent) {
  const node = document.createElementNS(SVG_NS, name);
  for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
  if (parent) parent.appendChild(node);
  return node;
}

// The outline's path in cm, y up (the drawing flips it).
export function outlinePath(baffle) {
  const points = baffle.polygonCm;
  if (points.length >= 3) return `M ${points.map(([x, y]) => `${x} ${y}`).join(" L ")} Z`;
  const w = baffle.widthCm;
  const h = baffle.heightCm;
  const c = baffle.corners === "square" ? 0 : Math.min(baffle.cornerSizeCm, w / 2, h / 2);
  if (c <= 0) return `M 0 0 H ${w} V ${h} H 0 Z`;
  if (baffle.corners === "chamfered") {
    return `M ${c} 0 H ${w - c} L ${w} ${c} V ${h - c} L ${w - c} ${h} H ${c} L 0 ${h - c} V ${c} Z`;
  }
  const arc = (x, y) => `A ${c} ${c} 0 0 0 ${x} ${y}`;
  return `M ${c} 0 H ${w - c} ${arc(w, c)} V ${h - c} ${arc(w - c, h)} H ${c} ${arc(0, h - c)} V ${c} ${arc(c, 0)} Z`;
}

function extent(baffle) {
  const points = baffle.polygonCm.length >= 3 ? baffle.polygonCm : [[0, 0], [baffle.widthCm, baffle.heightCm]];
  const xs = points.map((p) => p[0]);
  const ys = points.map((p) => p[1]);
  return { x0: Math.min(...xs), x1: Math.max(...xs), y0: Math.min(...ys), y1: Math.max(...ys) };
}

export class SpeakerDrawing {
  // onMove(index, xCm, yCm) while a driver is dragged (and once at its release).
  constructor(svg, onMove) {
    this.svg = svg;
    this.onMove = onMove;
    this.geometry = null;  // {baffle, drivers: [{name, centreCm, diameterCm}], referenceCm}
    this.dragging = null;  // {index, centre: [x, y]}
    // Where the last drag left its driver, drawn there until an answer has it
    // there too (or release() gives up on it).
    this.held = null;
  }

  release() {
    this.held = null;
    this.draw();
  }

  // Pixels of the screen per cm of the drawing.
  pixelsPerCm() {
    const matrix = this.svg.getScreenCTM();
    return matrix ? matrix.a : 0;
  }

  show(geometry) {
    this.geometry = geometry;
    const held = this.held;
    const there = held && geometry.drivers[held.index]?.centreCm;
    if (there && Math.hypot(there[0] - held.centre[0], there[1] - held.centre[1]) < 0.01) this.held = null;
    this.draw();
  }

  centreOf(index) {
    for (const placed of [this.dragging, this.held]) {
      if (placed && placed.index === index) return placed.centre;
    }
    return this.geometry.drivers[index].centreCm;
  }

  draw() {
    const svg = this.svg;
    svg.replaceChildren();
    if (!this.geometry) return;
    const { baffle, drivers, referenceCm } = this.geometry;
    const e = extent(baffle);
    const m = MARGIN_CM;
    svg.setAttribute("viewBox", `${e.x0 - m} ${-(e.y1 + m)} ${e.x1 - e.x0 + 2 * m} ${e.y1 - e.y0 + 2 * m}`);
    // y up: every shape is drawn in the file's frame and flipped once here.
    const frame = element("g", { transform: "scale(1,-1)" }, svg);
    element("path", { d: outlinePath(baffle), class: "speaker-baffle", id: "speaker-baffle" }, frame);
    element("circle", {
      cx: referenceCm[0], cy: referenceCm[1], r: 0.8, class: "speaker-reference",
    }, frame);
    drivers.forEach((driver, index) => {
      const [x, y] = this.centreOf(index);
      const r = driver.diameterCm > 0 ? driver.diameterCm / 2 : POINT_SOURCE_RADIUS_CM;
      const circle = element("circle", {
        cx: x, cy: y, r, class: "speaker-driver", tabindex: "0",
        "data-index": index, "data-x-cm": x, "data-y-cm": y, "data-name": driver.name,
        "aria-label": `${driver.name} at ${x.toFixed(1)}, ${y.toFixed(1)} cm; drag to move`,
      }, frame);
      const title = element("title", {}, circle);
      title.textContent = `${driver.name}: ${x.toFixed(1)} cm from the left, ${y.toFixed(1)} cm up`;
      this.wireDrag(circle, index);
      const label = element("text", { x, y: -(y + r + 1.5), class: "speaker-driver-label" }, svg);
      label.textContent = driver.name;
    });
  }

  // The pointer's place in cm, y up.
  pointAt(event) {
    const matrix = this.svg.getScreenCTM();
    const p = new DOMPoint(event.clientX, event.clientY).matrixTransform(matrix.inverse());
    return [p.x, -p.y];
  }

  wireDrag(circle, index) {
    circle.addEventListener("pointerdown", (event) => {
      event.preventDefault();
      const start = this.pointAt(event);
      const from = this.centreOf(index);
      this.dragging = { index, centre: from };
      const round = (v) => Math.round(v * 100) / 100;
      let sent = from;
      const move = (e) => {
        const p = this.pointAt(e);
        const centre = [round(from[0] + p[0] - start[0]), round(from[1] + p[1] - start[1])];
        if (centre[0] === sent[0] && centre[1] === sent[1]) return;
        sent = centre;
        this.dragging.centre = centre;
        this.draw();
        this.onMove(index, ...centre);
      };
      const end = (e) => {
        window.removeEventListener("pointermove", move);
        window.removeEventListener("pointerup", end);
        move(e);
        this.held = this.dragging;
        this.dragging = null;
      };
      window.addEventListener("pointermove", move);
      window.addEventListener("pointerup", end);
    });
  }
}
