// The speaker mode's FRD files, all in one zip: each driver and the sum on
// axis (frequency, level, phase), and with the directivity the sum at every
// angle of both planes (frequency, level). Numbers are written as the server
// answered them.
import { strToU8, zipSync } from "/vendor/fflate/fflate.js";

function frdText(comments, frequencies, levels, phases) {
  const lines = comments.map((c) => `* ${c}`);
  frequencies.forEach((f, i) => {
    if (levels[i] === null || (phases && phases[i] === null)) return;  // not a finite level
    lines.push(phases ? `${f} ${levels[i]} ${phases[i]}` : `${f} ${levels[i]}`);
  });
  return `${lines.join("\n")}\n`;
}

// A name safe in a zip on any system: letters, digits, '-' and '_'.
function safe(name) {
  return name.replace(/[^A-Za-z0-9_-]/g, "_").slice(0, 40) || "driver";
}

function angleName(angle) {
  return `${angle < 0 ? "m" : "p"}${String(Math.abs(angle)).padStart(3, "0")}`;
}

// {file name: text} of every FRD set of the answer (and of the directivity
// answer, when it is for the same speaker).
export function frdFiles(answer, directivity) {
  const heard = `heard at ${answer.listeningDistanceM} m on axis by the opbaff studio (thin-plate model)`;
  const files = {};
  answer.drivers.forEach((d, i) => {
    files[`${String(i + 1).padStart(2, "0")}-${safe(d.name)}.frd`] =
      frdText([`${answer.name}: driver ${d.name}`, heard, "Hz dB degrees"], answer.frequencies, d.levels, d.phases);
  });
  files["sum.frd"] = frdText([`${answer.name}: the sum`, heard, "Hz dB degrees"],
                             answer.frequencies, answer.sum.levels, answer.sum.phases);
  if (directivity && directivity.file === answer.file && directivity.directivity) {
    for (const plane of ["horizontal", "vertical"]) {
      const set = directivity.directivity[plane];
      set.angles.forEach((angle, a) => {
        files[`${plane}/sum-${plane}-${angleName(angle)}.frd`] = frdText(
          [`${answer.name}: the sum at ${angle} degrees ${plane}ly, ${answer.listeningDistanceM} m`, "Hz dB"],
          set.frequencies, set.levels[a], null);
      });
    }
  }
  return files;
}

export function frdZip(files) {
  const entries = {};
  for (const [name, text] of Object.entries(files)) entries[name] = strToU8(text);
  return zipSync(entries, { level: 6, mtime: new Date(2000, 0, 1) });
}
