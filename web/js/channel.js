// One request channel (the response, the directivity, the checks, the starting
// design, or a pinned variant's response): its last answer kept together with
// the design and settings it answered, or the error it met. Only the answer to
// the newest request is stored: one that arrives after a newer request was
// sent is dropped, whether or not the older request could be aborted.
import { LatestRequest } from "./api.js";

const EMPTY = Object.freeze({ data: null, design: null, settings: null, error: null, ms: null });

export class Channel {
  constructor() {
    this.record = EMPTY;
    this.request = new LatestRequest();
    this.sent = 0;  // requests sent; the newest one's number
  }

  cancel() {
    ++this.sent;
    this.request.cancel();
  }

  // Sends send(signal) for the design and settings; resolves to true when its
  // answer or error is now the record, false when a newer request superseded it.
  async run(design, settings, send) {
    const number = ++this.sent;
    const started = performance.now();
    let record;
    try {
      const data = await this.request.run(send);
      if (data === undefined) return false;
      record = { data, design, settings, error: null, ms: performance.now() - started };
    } catch (error) {
      record = { data: null, design, settings, error: error.message, ms: null };
    }
    if (number !== this.sent) return false;
    this.record = Object.freeze(record);
    return true;
  }
}

// Settings are flat objects of strings and numbers.
export function sameSettings(a, b) {
  if (!a || !b) return a === b;
  const keys = Object.keys(a);
  return keys.length === Object.keys(b).length && keys.every((k) => Object.is(a[k], b[k]));
}
