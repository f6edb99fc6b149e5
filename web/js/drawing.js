// The scale drawing of the baffle as the listener in front sees it: the
// rectangle, the round baffle centred on the driver, the driver as a circle of
// its diameter, with dimensions. One SVG user unit is one centimetre; x runs
// from the rectangle's left edge, y down from its top edge.
import { shortFloat } from "./format.js";
import { isRectangular } from "./design.js";

const SVG_NS = "http://www.w3.org/2000/svg";

function element(name, attributes = {}, parent = null) {
  const node = document.createElementNS(SVG_NS, name);
  for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
  if (parent) parent.appendChild(node);
  return node;
}

function finite(...values) {
  return values.every((value) => Number.isFinite(value));
}

export class BaffleDrawing {
  // onMove(xCm, yCm) is called while the driver is dragged or moved with the
  // arrow keys, with the driver centre rounded to a millimetre.
  constructor(svg, { onMove }) {
    this.svg = svg;
    this.onMove = onMove;
    this.design = null;
    this.flagged = new Set();
    this.view = null;  // {x, y, width, height} in cm, frozen while dragging
    this.drag = null;

    this.layers = {
      back: element("g", { class: "layer-back" }, svg),
      dims: element("g", { class: "layer-dims" }, svg),
    };
    this.driver = element("g", { id: "driver", class: "driver", tabindex: "0", role: "slider",
                                 "aria-label": "Driver position: drag, or use the arrow keys" }, svg);
    this.driverTitle = element("title", {}, this.driver);
    this.driverFrame = element("circle", { class: "driver-frame" }, this.driver);
    this.driverCone = element("circle", { class: "driver-cone" }, this.driver);
    this.driverCap = element("circle", { class: "driver-cap" }, this.driver);

    this.driver.addEventListener("pointerdown", (event) => this.startDrag(event));
    this.driver.addEventListener("pointermove", (event) => this.moveDrag(event));
    this.driver.addEventListener("pointerup", (event) => this.endDrag(event));
    this.driver.addEventListener("pointercancel", (event) => this.endDrag(event));
    this.driver.addEventListener("keydown", (event) => this.nudge(event));
    new ResizeObserver(() => this.render()).observe(svg);
  }

  get dragging() {
    return this.drag !== null;
  }

  update(design, flagged = new Set()) {
    this.design = design;
    this.flagged = flagged;
    this.render();
  }

  // The part of the plane to show: the rectangle, the round baffle and the
  // driver, with room for the dimensions.
  computeView(d) {
    const W = Math.max(d.baffleWidthCm, 1);
    const H = Math.max(d.baffleHeightCm, 1);
    const cx = d.driverXCm;
    const cy = H - d.driverYCm;
    const r = Math.max(Math.abs(d.roundBaffleDiameterCm), Math.abs(d.driverDiameterCm)) / 2;
    let left = Math.min(0, cx - r);
    let right = Math.max(W, cx + r);
    let top = Math.min(0, cy - r);
    let bottom = Math.max(H, cy + r);
    const size = Math.max(right - left, bottom - top);
    const margin = size * 0.11;
    left -= margin * 1.35;
    right += margin * 0.6;
    top -= margin * 0.6;
    bottom += margin * 1.35;
    return { x: left, y: top, width: right - left, height: bottom - top };
  }

  render() {
    const d = this.design;
    if (!d) return;
    const box = this.svg.getBoundingClientRect();
    if (box.width === 0 || box.height === 0) return;
    const geometryOk = finite(d.baffleWidthCm, d.baffleHeightCm, d.driverXCm, d.driverYCm,
                              d.driverDiameterCm, d.roundBaffleDiameterCm);
    if (!geometryOk) return;
    if (!this.dragging) this.view = this.computeView(d);
    const v = this.view;
    this.svg.setAttribute("viewBox", `${v.x} ${v.y} ${v.width} ${v.height}`);
    const cmPerPx = Math.max(v.width / box.width, v.height / box.height);
    const font = 11.5 * cmPerPx;
    const stroke = cmPerPx;

    const W = d.baffleWidthCm;
    const H = d.baffleHeightCm;
    const cx = d.driverXCm;
    const cy = H - d.driverYCm;
    const rectangular = isRectangular(d);

    const back = this.layers.back;
    back.replaceChildren();
    const dims = this.layers.dims;
    dims.replaceChildren();

    // The round baffle first: in the single-path models it is the baffle, in
    // the rectangular model the comparison curve's, drawn over the rectangle.
    const rRound = Math.abs(d.roundBaffleDiameterCm) / 2;
    element("rect", {
      x: Math.min(0, W), y: Math.min(0, H), width: Math.abs(W), height: Math.abs(H),
      class: rectangular ? "baffle" : "baffle unused",
      "stroke-width": 1.5 * stroke, id: "baffle-rect",
    }, back);
    element("circle", {
      cx, cy, r: rRound, class: rectangular ? "round-baffle comparison" : "round-baffle",
      "stroke-width": 1.3 * stroke, "stroke-dasharray": `${6 * stroke} ${4 * stroke}`,
      id: "round-baffle",
    }, back);

    this.drawDimensions(dims, { W, H, cx, cy, rRound, font, stroke, d });

    const rDriver = Math.abs(d.driverDiameterCm) / 2;
    this.driver.setAttribute("class", `driver${this.flagged.has("driverXCm") || this.flagged.has("driverYCm") || this.flagged.has("design") ? " flagged" : ""}${this.dragging ? " dragging" : ""}`);
    this.driverFrame.setAttribute("cx", cx);
    this.driverFrame.setAttribute("cy", cy);
    this.driverFrame.setAttribute("r", Math.max(rDriver, 2 * stroke));
    this.driverFrame.setAttribute("stroke-width", 1.2 * stroke);
    this.driverCone.setAttribute("cx", cx);
    this.driverCone.setAttribute("cy", cy);
    this.driverCone.setAttribute("r", Math.max(rDriver * 0.78, stroke));
    this.driverCap.setAttribute("cx", cx);
    this.driverCap.setAttribute("cy", cy);
    this.driverCap.setAttribute("r", Math.max(rDriver * 0.28, stroke));
    this.driverTitle.textContent =
      `Driver ⌀${shortFloat(d.driverDiameterCm)} cm, ${shortFloat(d.driverXCm)} cm from the left edge, ` +
      `${shortFloat(d.driverYCm)} cm above the bottom edge`;
    this.driver.setAttribute("aria-valuetext", this.driverTitle.textContent);
  }

  drawDimensions(g, { W, H, cx, cy, rRound, font, stroke, d }) {
    const tick = font * 0.45;
    const line = (x1, y1, x2, y2, cls = "dim-line") =>
      element("line", { x1, y1, x2, y2, class: cls, "stroke-width": stroke }, g);
    const text = (x, y, content, extra = {}) => {
      const node = element("text", { x, y, class: "dim-text", "font-size": font, ...extra }, g);
      node.textContent = content;
      return node;
    };
    const gap = font * 1.3;

    // Width, under the rectangle.
    const yW = Math.max(H, cy + rRound) + gap;
    line(0, yW, W, yW);
    line(0, yW - tick, 0, yW + tick);
    line(W, yW - tick, W, yW + tick);
    line(0, H, 0, yW + tick, "dim-ext");
    line(W, H, W, yW + tick, "dim-ext");
    text(W / 2, yW + font * 1.15, `${shortFloat(W)} cm`, { "text-anchor": "middle", id: "dim-width" });

    // Height, left of the rectangle.
    const xH = Math.min(0, cx - rRound) - gap;
    line(xH, 0, xH, H);
    line(xH - tick, 0, xH + tick, 0);
    line(xH - tick, H, xH + tick, H);
    line(xH - tick, 0, 0, 0, "dim-ext");
    line(xH - tick, H, 0, H, "dim-ext");
    text(xH - font * 0.45, H / 2, `${shortFloat(H)} cm`,
         { "text-anchor": "middle", transform: `rotate(-90 ${xH - font * 0.45} ${H / 2})`, id: "dim-height" });

    // The driver's position: from the left edge and from the bottom edge.
    line(0, cy, cx, cy, "dim-driver");
    line(cx, cy, cx, H, "dim-driver");
    // Each number half way between the edge and the driver's rim, or just
    // outside the rim where the driver leaves no room.
    const rDriver = Math.abs(d.driverDiameterCm) / 2;
    const xLabel = cx - rDriver > 2.5 * font ? (cx - rDriver) / 2 : cx - rDriver - 1.5 * font;
    const yLabel = H - (cy + rDriver) > 2 * font ? (cy + rDriver + H) / 2 : cy + rDriver + font;
    text(xLabel, cy - font * 0.35, `${shortFloat(d.driverXCm)}`, { "text-anchor": "middle", class: "dim-text driver-dim", id: "dim-driver-x" });
    text(cx + font * 0.35, yLabel, `${shortFloat(d.driverYCm)}`,
         { "text-anchor": "start", class: "dim-text driver-dim", "dominant-baseline": "middle", id: "dim-driver-y" });

    // The round baffle's diameter, at its top.
    text(cx, cy - rRound - font * 0.35, `⌀${shortFloat(d.roundBaffleDiameterCm)} round`,
         { "text-anchor": "middle", class: "dim-text round-dim" });

    // Which way positive listening angles point (the rectangular model's off-axis curve).
    if (isRectangular(d)) {
      const yA = Math.min(0, cy - rRound) - font * 0.3;
      text(W, yA, `+${shortFloat(d.offAxisAngleDeg)}° →`, { "text-anchor": "end", class: "dim-text angle-dim" });
    }
  }

  // SVG coordinates of a pointer event.
  pointerPoint(event) {
    const matrix = this.svg.getScreenCTM();
    if (!matrix) return null;
    const point = new DOMPoint(event.clientX, event.clientY).matrixTransform(matrix.inverse());
    return { x: point.x, y: point.y };
  }

  startDrag(event) {
    if (!this.design || event.button !== 0) return;
    const p = this.pointerPoint(event);
    if (!p) return;
    event.preventDefault();
    this.driver.setPointerCapture(event.pointerId);
    const H = this.design.baffleHeightCm;
    this.drag = { pointerId: event.pointerId, dx: p.x - this.design.driverXCm, dy: p.y - (H - this.design.driverYCm) };
    this.render();
  }

  moveDrag(event) {
    if (!this.drag || event.pointerId !== this.drag.pointerId) return;
    const p = this.pointerPoint(event);
    if (!p) return;
    const v = this.view;
    const x = Math.min(Math.max(p.x - this.drag.dx, v.x), v.x + v.width);
    const y = Math.min(Math.max(p.y - this.drag.dy, v.y), v.y + v.height);
    const H = this.design.baffleHeightCm;
    this.onMove(Math.round(x * 10) / 10, Math.round((H - y) * 10) / 10);
  }

  endDrag(event) {
    if (!this.drag || event.pointerId !== this.drag.pointerId) return;
    this.moveDrag(event);
    this.drag = null;
    this.render();
  }

  nudge(event) {
    if (!this.design) return;
    const step = event.shiftKey ? 5 : 1;
    const moves = { ArrowLeft: [-step, 0], ArrowRight: [step, 0], ArrowUp: [0, step], ArrowDown: [0, -step] };
    const move = moves[event.key];
    if (!move) return;
    event.preventDefault();
    const round = (value) => Math.round(value * 10) / 10;
    this.onMove(round(this.design.driverXCm + move[0]), round(this.design.driverYCm + move[1]));
  }
}
