// The speaker mode's requests to POST /api/speaker. The speaker is kept as the
// text of its file, as the server last answered it; a change (a driver moved,
// the baffle's rectangle) is sent with that text as parameters of the request.
// At most one request is in flight: changes made meanwhile are merged, and the
// newest of them is sent when the answer comes, so a drag never queues up
// work on the server. Only the answer to the newest request is shown: a file
// loaded meanwhile drops the answer to the older speaker.

export class SpeakerError extends Error {
  constructor(status, message, where) {
    super(message);
    this.status = status;
    this.where = where;  // {line, column, key} of a file that does not read, or null
  }
}

// POST /api/speaker?query (or another speaker request's path) with the
// speaker file's text; the answer's JSON.
export async function postSpeaker(text, params, signal, path = "/api/speaker") {
  const query = new URLSearchParams(params).toString();
  const response = await fetch(`${path}?${query}`, {
    method: "POST", body: text, headers: { "Content-Type": "text/plain" }, signal,
  });
  let answer = null;
  try {
    answer = await response.json();
  } catch {
    // not JSON: the status line says it
  }
  if (!response.ok) {
    const message = answer && typeof answer.error === "string"
      ? answer.error : `${response.status} ${response.statusText}`;
    const where = answer && Number.isInteger(answer.line)
      ? { line: answer.line, column: answer.column, key: answer.key } : null;
    throw new SpeakerError(response.status, message, where);
  }
  return answer;
}

export class SpeakerRequests {
  // on.answer(data, ms, edit) and on.error(error, edit) hear the newest request's end.
  constructor(on) {
    this.on = on;
    this.text = null;      // the speaker file as last answered (or loaded)
    this.pending = null;   // the changes not sent yet, merged
    this.inFlight = false;
    this.sent = 0;         // the newest request's number
    this.settings = {};    // {grid}: sent with every request
  }

  get busy() {
    return this.inFlight || this.pending !== null;
  }

  // A new speaker file: its changes start anew, an answer still due is dropped.
  load(text) {
    this.text = text;
    this.pending = {};
    ++this.sent;
    this.pump();
  }

  // edit: {move: "I:X:Y"} or {baffle: "W:H:CORNERS:SIZE"}; a later edit of
  // the same kind replaces an earlier one not yet sent.
  change(edit) {
    if (this.text === null) return;
    this.pending = { ...(this.pending ?? {}), ...edit };
    this.pump();
  }

  async pump() {
    if (this.inFlight || this.pending === null) return;
    const edit = this.pending;
    this.pending = null;
    this.inFlight = true;
    const number = ++this.sent;
    const started = performance.now();
    try {
      const data = await postSpeaker(this.text, { ...this.settings, ...edit });
      if (number === this.sent) {
        this.text = data.file;
        this.on.answer(data, performance.now() - started, edit);
      }
    } catch (error) {
      if (number === this.sent) this.on.error(error, edit);
    } finally {
      this.inFlight = false;
      this.pump();
    }
  }
}
