// Number formatting for the studio: the design's values as the shortest text
// that gives the same single-precision value, frequencies and levels for people.

// The shortest decimal text whose single-precision value is that of x, so that
// 0.699999988079071 (a float 0.7 printed as a double) shows as "0.7".
export function shortFloat(x) {
  if (!Number.isFinite(x)) return String(x);
  const target = Math.fround(x);
  for (let digits = 1; digits <= 9; ++digits) {
    const text = Number(x.toPrecision(digits)).toString();
    if (Math.fround(Number(text)) === target) return text;
  }
  return String(target);
}

// "63.2 Hz", "1.25 kHz", "20.5 kHz".
export function formatHz(hz) {
  if (hz === null || hz === undefined || !Number.isFinite(hz)) return "—";
  if (hz >= 1000) {
    const k = hz / 1000;
    return `${k >= 10 ? k.toFixed(1) : k.toFixed(2)} kHz`;
  }
  return `${hz >= 100 ? hz.toFixed(0) : hz.toFixed(1)} Hz`;
}

// Axis labels of the frequency axis: "10", "200", "1k", "20k".
export function hzTick(hz) {
  if (hz >= 1000) return `${Math.round(hz / 100) / 10}k`;
  return `${Math.round(hz)}`;
}

// "−3.21 dB" with a true minus sign; a dash for a missing level.
export function formatDb(db, decimals = 2) {
  if (db === null || db === undefined || !Number.isFinite(db)) return "—";
  const text = Math.abs(db).toFixed(decimals);
  return `${db < 0 && Number(text) !== 0 ? "−" : ""}${text} dB`;
}

// A signed relative level: "+1.2 dB", "−4.0 dB".
export function formatRelativeDb(db) {
  if (db === null || db === undefined || !Number.isFinite(db)) return "—";
  const text = Math.abs(db).toFixed(1);
  if (Number(text) === 0) return "0.0 dB";
  return `${db < 0 ? "−" : "+"}${text} dB`;
}

// "+30°", "−45°", "0°".
export function formatAngle(deg) {
  if (deg === 0) return "0°";
  return `${deg < 0 ? "−" : "+"}${shortFloat(Math.abs(deg))}°`;
}
