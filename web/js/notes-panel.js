// The checks' notes beside the inputs they concern, drawn from the check
// channel's record: shown only while it is for the design being edited.
const $ = (id) => document.getElementById(id);

function paragraph(text) {
  return Object.assign(document.createElement("p"), { textContent: text });
}

function currentNotes(view) {
  const { data, design, error } = view.channels.check.record;
  if (!view.fields.same(design, view.editing.design)) return [];
  if (error) return [{ record: 0, text: `The checks failed: ${error}` }];
  return data?.notes ?? [];
}

function notesByField(view) {
  const byField = new Map();
  for (const note of currentNotes(view)) {
    const field = view.fields.fieldOfRecord(note.record) ?? "design";
    if (!byField.has(field)) byField.set(field, []);
    byField.get(field).push(note.text);
  }
  return byField;
}

// The fields (and "design") that a note of the current design concerns.
export function flaggedFields(view) {
  return new Set(notesByField(view).keys());
}

export function renderNotes(view) {
  const byField = notesByField(view);
  for (const box of document.querySelectorAll("[data-notes-for]")) {
    const field = box.dataset.notesFor;
    const texts = byField.get(field) ?? [];
    box.replaceChildren(...texts.map(paragraph));
    box.closest("[data-field]")?.classList.toggle("flagged", texts.length > 0);
  }
  $("notes-general").replaceChildren(...(byField.get("design") ?? []).map(paragraph));
}
