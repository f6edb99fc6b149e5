// The speaker mode's FRD zip: every driver's and the sum's FRD sets of both
// planes with their phases, as POST /api/speaker-frd answers them (the files
// `opbaff-design polar` writes for the speaker), and the speaker file they
// were heard from, in one zip. The texts are the server's, byte for byte.
import { strToU8, zipSync } from "/vendor/fflate/fflate.js";

// A fixed time for every entry: the same set gives the same zip.
const ZIP_TIME = new Date(2000, 0, 1);

// The speaker file's name as the zip holds it: no folder, no leading dot.
export function speakerEntryName(name) {
  const plain = name.replace(/[^\w.\- ]/g, "_").replace(/^\.+/, "_").slice(0, 60);
  return plain.endsWith(".toml") ? plain : "speaker.toml";
}

// set: the answer of /api/speaker-frd ({speaker, files}); the speaker file
// first, then the FRD files in the order answered.
export function frdZip(set, speakerName) {
  const entries = { [speakerName]: strToU8(set.speaker) };
  for (const [name, text] of Object.entries(set.files)) entries[name] = strToU8(text);
  return zipSync(entries, { level: 6, mtime: ZIP_TIME });
}
