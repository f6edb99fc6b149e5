// The studio server's JSON API, and requests where only the latest counts.
import { baffleOnly as baffleOnlyChecked } from "./settings.js";

export class ApiError extends Error {
  constructor(status, message) {
    super(message);
    this.status = status;
  }
}

// How many requests are in flight; listeners hear every change.
let inFlight = 0;
const pendingListeners = [];

export function pendingRequests() {
  return inFlight;
}

export function onPendingChange(listener) {
  pendingListeners.push(listener);
}

function changePending(by) {
  inFlight += by;
  for (const listener of pendingListeners) listener(inFlight);
}

// body: a value sent as JSON; bytes: a Blob sent as it is, as text/plain.
async function call(path, { body, bytes, signal, as = "json" } = {}) {
  const init = { method: body === undefined && bytes === undefined ? "GET" : "POST", signal };
  if (body !== undefined) {
    init.body = JSON.stringify(body);
    init.headers = { "Content-Type": "application/json" };
  } else if (bytes !== undefined) {
    init.body = bytes;
    init.headers = { "Content-Type": "text/plain" };
  }
  changePending(+1);
  try {
    const response = await fetch(path, init);
    if (!response.ok) {
      let message = `${response.status} ${response.statusText}`;
      try {
        const error = await response.json();
        if (error && typeof error.error === "string") message = error.error;
      } catch {
        // not JSON: keep the status line
      }
      throw new ApiError(response.status, message);
    }
    if (as === "text") return await response.text();
    return await response.json();
  } finally {
    changePending(-1);
  }
}

// The grid parameter: "standard" or a number of points per octave.
function query(params) {
  return new URLSearchParams(params).toString();
}

// ?baffleOnly=1 when the driver's high-pass is left out, nothing otherwise.
function baffleOnlyQuery(baffleOnly) {
  return baffleOnly ? { baffleOnly: "1" } : {};
}

// A response's baffleOnly, unless given, is the page's checkbox as the request
// leaves, the moment its settings are read.
export const api = {
  design: (signal) => call("/api/design", { signal }),
  response: (design, grid, phase, signal, model = "classic", baffleOnly = baffleOnlyChecked()) =>
    call(`/api/response?${query({
      grid, phase, ...(model === "classic" ? {} : { model }), ...baffleOnlyQuery(baffleOnly),
    })}`, { body: design, signal }),
  polar: (design, grid, angles, signal, model = "classic") =>
    call(`/api/polar?${query({ grid, angles, ...(model === "classic" ? {} : { model }) })}`,
         { body: design, signal }),
  check: (design, signal) => call("/api/check", { body: design, signal }),
  // The equaliser of the design's on-axis response: fitted, or with params.chain
  // the chain given, measured.
  eq: (design, params, signal) => call(`/api/eq?${query(params)}`, { body: design, signal }),
  parameterFile: (design) => call("/api/parameter-file", { body: design, as: "text" }),
  // A parameter file's bytes read by the library: {design, notes}.
  readParameterFile: (bytes) => call("/api/read-parameter-file", { bytes }),
  frd: (design, column, grid, phase, baffleOnly = false) =>
    call(`/api/frd?${query({ column, grid, phase, ...baffleOnlyQuery(baffleOnly) })}`,
         { body: design, as: "text" }),
};

// A stream of requests of which only the newest matters: starting one aborts
// the one still in flight, so nothing queues up behind a slow answer. run()
// resolves to the answer, or to undefined for a request that was superseded.
export class LatestRequest {
  constructor() {
    this.controller = null;
  }

  get busy() {
    return this.controller !== null;
  }

  cancel() {
    if (this.controller) this.controller.abort();
    this.controller = null;
  }

  async run(send) {
    this.cancel();
    const controller = new AbortController();
    this.controller = controller;
    try {
      const answer = await send(controller.signal);
      return controller.signal.aborted ? undefined : answer;
    } catch (error) {
      if (controller.signal.aborted) return undefined;
      throw error;
    } finally {
      if (this.controller === controller) this.controller = null;
    }
  }
}

// Saves text or a blob as a file through the browser's download.
export function saveFile(name, data, type = "text/plain") {
  const blob = data instanceof Blob ? data : new Blob([data], { type });
  const url = URL.createObjectURL(blob);
  const link = document.createElement("a");
  link.href = url;
  link.download = name;
  link.style.display = "none";
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}
