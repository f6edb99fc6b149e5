// Pinned variants: designs kept to compare with, each with a channel of its
// own for its response on the current grid and phase.
import { api } from "./api.js";
import { Channel, sameSettings } from "./channel.js";
import { MAX_VARIANTS, VARIANT_COLOURS, describeDesign } from "./design.js";

export class Variants {
  constructor(fields) {
    this.fields = fields;
    this.list = [];  // {id, name, colour, design, channel}
    this.nextId = 1;
  }

  get full() {
    return this.list.length >= MAX_VARIANTS;
  }

  // Pins the design; a response record for it (with its settings) is taken
  // over, else the response is asked for. Resolves when it is known; onAnswer
  // is called then. The name is the design's description unless given.
  pin(design, responseRecord, settings, onAnswer, name = null) {
    if (this.full) return;
    const used = new Set(this.list.map((v) => v.colour));
    const variant = {
      id: this.nextId++,
      name: name ?? describeDesign(design),
      colour: VARIANT_COLOURS.find((c) => !used.has(c)),
      design: this.fields.copy(design),
      channel: new Channel(),
    };
    const current = responseRecord.data !== null && this.fields.same(responseRecord.design, design);
    if (current) variant.channel.record = responseRecord;
    this.list.push(variant);
    if (!current) this.refresh(settings, onAnswer);
  }

  clear() {
    for (const variant of this.list) variant.channel.cancel();
    this.list = [];
  }

  remove(id) {
    const variant = this.list.find((v) => v.id === id);
    if (variant) variant.channel.cancel();
    this.list = this.list.filter((v) => v.id !== id);
  }

  // Asks for the response of every variant whose record is not on these settings.
  refresh(settings, onAnswer) {
    if (settings.grid === null) return;
    for (const variant of this.list) {
      if (sameSettings(variant.channel.record.settings, settings)) continue;
      variant.channel
        .run(variant.design, settings, (signal) =>
          api.response(variant.design, settings.grid, settings.phase, signal))
        .then((stored) => stored && onAnswer());
    }
  }
}

// The column a variant is drawn and judged by: the one its figures of merit are for.
export function variantColumn(variant) {
  const response = variant.channel.record.data;
  if (!response) return { name: "…", levels: [] };
  return response.columns.find((c) => c.name === response.merit?.column) ?? response.columns[0];
}
