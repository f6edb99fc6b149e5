// Downloads: a design as Opbaffin.txt, a curve as an FRD file, the plot as a
// PNG; and the FRD menu of the curves shown.
import { api, saveFile } from "./api.js";
import { columnStyle } from "./columns.js";
import { isRectangular } from "./design.js";
import { shortFloat } from "./format.js";
import { button } from "./merit-panel.js";
import { drawnRecord, setStatus } from "./response-panel.js";
import { gridLabel, responseSettings } from "./settings.js";
import { variantColumn } from "./variants.js";

const $ = (id) => document.getElementById(id);

export async function downloadParameterFile(design) {
  try {
    saveFile("Opbaffin.txt", await api.parameterFile(design));
  } catch (error) {
    setStatus(`Opbaffin.txt: ${error.message}`, "error");
  }
}

export async function downloadFrd(design, column, variantName) {
  const settings = responseSettings();
  if (settings.grid === null) return;
  try {
    const text = await api.frd(design, column, settings.grid, settings.phase, settings.baffleOnly);
    const suffix = variantName ? `-${variantName.replace(/[^A-Za-z0-9._-]+/g, "_")}` : "";
    saveFile(`opbaff-${column}${suffix}.frd`, text);
  } catch (error) {
    setStatus(`FRD: ${error.message}`, "error");
  }
}

// The picture's title: the baffle and the driver, the listener, the grid.
export function pngTitle(design, settings) {
  const baffle = isRectangular(design)
    ? `${shortFloat(design.baffleWidthCm)} × ${shortFloat(design.baffleHeightCm)} cm baffle, driver at ` +
      `${shortFloat(design.driverXCm)}/${shortFloat(design.driverYCm)} cm`
    : `round baffle ⌀${shortFloat(design.roundBaffleDiameterCm)} cm (${design.model})`;
  return `opbaff · ${baffle}, ⌀${shortFloat(design.driverDiameterCm)} cm driver, ` +
    `listener at ${shortFloat(design.listenerDistanceM)} m · ${gridLabel(settings?.grid ?? "standard")}`;
}

export async function downloadPng(view) {
  const { design, settings } = drawnRecord(view);
  if (!design) return;
  const blob = await view.plot.png(pngTitle(design, settings) + (settings?.baffleOnly ? " · baffle only" : ""));
  if (blob) saveFile("opbaff-response.png", blob, "image/png");
}

function menuEntry(text, stroke, dashed, title, onClick) {
  const b = button(text, title, () => {
    $("frd-menu").open = false;
    onClick();
  }, "menu-item frd");
  b.style.setProperty("--swatch", stroke);
  if (dashed) b.classList.add("dashed");
  return b;
}

// The FRD menu: one entry per curve shown, the current design's and the variants'.
export function renderDownloads(view) {
  const { data, design } = view.channels.response.record;
  if (!data) return;
  const items = data.columns
    .filter((c) => view.columns.isDrawn(design.model, c.name))
    .map((c) => {
      const b = menuEntry(`${view.columns.label(c.name, design)} · ${c.name}`, columnStyle(c.name).stroke, false,
                          `Download opbaff-${c.name}.frd of the current design`,
                          () => downloadFrd(design, c.name, null));
      b.id = `frd-${c.name}`;
      return b;
    });
  for (const variant of view.variants.list) {
    const column = variantColumn(variant).name;
    const b = menuEntry(`${variant.name} · ${column}`, variant.colour, true,
                        `Download the FRD file of the variant "${variant.name}"`,
                        () => downloadFrd(variant.design, column, variant.name));
    b.id = `frd-variant-${variant.id}`;
    items.push(b);
  }
  $("curve-downloads").replaceChildren(...items);
}
