// The response plot: levels in dB against a logarithmic frequency axis from
// 10 Hz to 20 kHz, one uPlot series per curve, with a live legend that shows
// the frequency and the levels under the cursor.
import { formatHz, hzTick } from "./format.js";

const LOWEST_HZ = 10;
const HIGHEST_HZ = 20000;
const MAX_SPAN_DB = 70;

// Grid lines at 1..9 times each power of ten, labels at 1, 2 and 5 times.
function logSplits(u, axisIndex, min, max) {
  const splits = [];
  for (let decade = Math.floor(Math.log10(min)); 10 ** decade <= max; ++decade) {
    for (let m = 1; m <= 9; ++m) {
      const value = m * 10 ** decade;
      if (value >= min * 0.999 && value <= max * 1.001) splits.push(value);
    }
  }
  return splits;
}

function logLabels(u, splits) {
  return splits.map((value) => {
    const mantissa = Math.round(value / 10 ** Math.floor(Math.log10(value) + 1e-9));
    return mantissa === 1 || mantissa === 2 || mantissa === 5 ? hzTick(value) : "";
  });
}

// Levels from the highest level rounded up, down to the lowest or at most
// MAX_SPAN_DB below the top, on 5 dB steps.
function levelRange(u, dataMin, dataMax) {
  if (dataMin === null || dataMax === null || !Number.isFinite(dataMin) || !Number.isFinite(dataMax)) {
    return [-40, 10];
  }
  const top = Math.ceil((dataMax + 2) / 5) * 5;
  const bottom = Math.max(Math.floor((dataMin - 2) / 5) * 5, top - MAX_SPAN_DB);
  return [bottom, Math.max(top, bottom + 10)];
}

function signature(curves) {
  return JSON.stringify(curves.map((c) => [c.key, c.label, c.stroke, c.width, c.dash ?? null]));
}

export class ResponsePlot {
  constructor(container, height = 290) {
    this.container = container;
    this.height = height;
    this.uplot = null;
    this.curves = [];
    this.signature = "";
    new ResizeObserver(() => this.resize()).observe(container);
  }

  size() {
    return { width: Math.max(300, Math.floor(this.container.clientWidth)), height: this.height };
  }

  resize() {
    if (this.uplot && this.uplot.width !== this.size().width) this.uplot.setSize(this.size());
  }

  // Draws the curves ({key, label, stroke, width, dash, levels}) over the
  // frequencies; levels are numbers, or null where a level is not finite.
  show(frequencies, curves) {
    this.curves = curves;
    const data = [frequencies, ...curves.map((c) => c.levels)];
    const next = signature(curves);
    if (this.uplot && next === this.signature) {
      this.uplot.setData(data);
      return;
    }
    this.signature = next;
    if (this.uplot) this.uplot.destroy();
    this.uplot = new uPlot(this.options(curves), data, this.container);
  }

  // No curves: the answer they would show failed.
  clear() {
    if (this.uplot) this.uplot.destroy();
    this.uplot = null;
    this.curves = [];
    this.signature = "";
  }

  // The plot's options; `scale` enlarges every size in it (fonts, lines, the
  // plot itself) alike, for a picture larger than the page's plot.
  options(curves, scale = 1) {
    const axisFont = `${12 * scale}px system-ui, sans-serif`;
    const { width, height } = this.size();
    const line = { stroke: "#e2e8f0", width: scale };
    const ticks = { stroke: "#cbd5e1", width: scale, size: 4 * scale };
    return {
      width: width * scale,
      height: height * scale,
      pxAlign: false,
      scales: {
        x: {
          time: false,
          distr: 3,
          log: 10,
          range: (u, min, max) => [LOWEST_HZ, Math.max(HIGHEST_HZ, max ?? HIGHEST_HZ)],
        },
        y: { range: levelRange },
      },
      axes: [
        {
          splits: logSplits,
          values: logLabels,
          font: axisFont,
          stroke: "#475569",
          grid: line,
          ticks,
          label: "Frequency (Hz)",
          labelFont: axisFont,
          labelSize: 22 * scale,
          size: 50 * scale,
        },
        {
          font: axisFont,
          stroke: "#475569",
          grid: line,
          ticks,
          values: (u, splits) => splits.map((v) => `${v}`),
          label: "Level (dB)",
          labelFont: axisFont,
          labelSize: 22 * scale,
          size: 44 * scale,
        },
      ],
      series: [
        { label: "Frequency", value: (u, v) => (v === null || v === undefined ? "—" : formatHz(v)) },
        ...curves.map((c) => ({
          label: c.label,
          stroke: c.stroke,
          width: c.width * scale,
          dash: c.dash?.map((v) => v * scale),
          points: { show: false },
          spanGaps: false,
          value: (u, v) => (v === null || v === undefined ? "—" : `${v.toFixed(2)} dB`),
        })),
      ],
      cursor: {
        drag: { x: false, y: false, setScale: false },
        points: { size: 7, width: 1.5 },
      },
      legend: { live: true },
    };
  }

  // What the plot holds: the frequencies and, per curve, its key, label and
  // the levels as given to the plot.
  plotted() {
    if (!this.uplot) return null;
    const data = this.uplot.data;
    return {
      frequencies: Array.from(data[0]),
      curves: this.curves.map((c, i) => ({ key: c.key, label: c.label, levels: Array.from(data[i + 1]) })),
    };
  }

  // The plot with its legend on a white background, as a PNG blob of twice
  // the plot's size on the page: drawn anew at that size, not enlarged.
  async png(title) {
    if (!this.uplot) return null;
    const scale = 2 / (window.devicePixelRatio || 1);
    const holder = Object.assign(document.createElement("div"), { className: "png-render" });
    document.body.append(holder);
    const options = { ...this.options(this.curves, scale), legend: { show: false }, cursor: { show: false } };
    const big = new uPlot(options, this.uplot.data, holder);
    try {
      await new Promise((resolve) => requestAnimationFrame(resolve));
      return await this.compose(big.ctx.canvas, 2, title);
    } finally {
      big.destroy();
      holder.remove();
    }
  }

  // The picture: the title, the plot's canvas, the legend; `ratio` is the
  // canvas's pixels per CSS pixel of the page's plot.
  compose(source, ratio, title) {
    const lineHeight = 20 * ratio;
    const columns = 2;
    const legendRows = Math.ceil(this.curves.length / columns);
    const pad = 12 * ratio;
    const canvas = document.createElement("canvas");
    canvas.width = source.width + 2 * pad;
    canvas.height = source.height + 2 * pad + 28 * ratio + legendRows * lineHeight;
    const ctx = canvas.getContext("2d");
    ctx.fillStyle = "#ffffff";
    ctx.fillRect(0, 0, canvas.width, canvas.height);
    ctx.fillStyle = "#0f172a";
    ctx.font = `600 ${14 * ratio}px system-ui, sans-serif`;
    ctx.textBaseline = "middle";
    ctx.fillText(title, pad, pad + 10 * ratio);
    ctx.drawImage(source, pad, pad + 28 * ratio);
    ctx.font = `${12 * ratio}px system-ui, sans-serif`;
    const columnWidth = (canvas.width - 2 * pad) / columns;
    this.curves.forEach((c, i) => {
      const x = pad + (i % columns) * columnWidth;
      const y = pad + 28 * ratio + source.height + (Math.floor(i / columns) + 0.5) * lineHeight;
      ctx.strokeStyle = c.stroke;
      ctx.lineWidth = c.width * ratio;
      ctx.setLineDash((c.dash ?? []).map((v) => v * ratio));
      ctx.beginPath();
      ctx.moveTo(x, y);
      ctx.lineTo(x + 24 * ratio, y);
      ctx.stroke();
      ctx.fillStyle = "#1e293b";
      ctx.fillText(c.label, x + 32 * ratio, y);
    });
    return new Promise((resolve) => canvas.toBlob(resolve, "image/png"));
  }
}
