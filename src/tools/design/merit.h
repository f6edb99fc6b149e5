// Figures of merit of a response, for comparing designs. Every figure is
// measured against the level of the passband: the median level of a stated band
// of frequencies (1 kHz to 5 kHz unless asked otherwise). The definitions are
// here and nowhere else; kMeritFigures names each figure for the sweep's table,
// the studio's JSON and the help.
#pragma once

#include <array>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "opbaff/result.h"

namespace opbaff::tools {

// The band whose median level is the passband level: the grid frequencies f
// with fromHz <= f <= toHz.
//
// The default, 1 kHz to 5 kHz, lies above the dipole peak of the baffles the
// tools are made for (30 cm across and more: their peaks lie between about 230
// and 550 Hz), where the rear wave, spread round the edges, only ripples about
// the level of the front wave alone: 0 dB, the same driver on an infinite
// baffle, the level an equaliser lifts the dipole roll-off to. Its median
// is that level within 0.1 dB for rectangular baffles from 40 to 120 cm wide,
// off-centre or centred, on either model. A band reaching lower would hold part
// of the dipole peak, and its median would depend on how much of the band the
// peak covers (200 Hz to 2 kHz: 1.44 dB for the shipped example, between its
// peak of 2.8 dB and its top of 0 dB). A median, unlike a mean, is not pulled
// by the comb's narrow dips and spikes, which the standard grid under-samples
// above 3 kHz.
struct MeritBand {
    float fromHz = 1000.0F;
    float toHz = 5000.0F;
};

// "FROM:TO" in hertz, read with the tools' number parser: two finite numbers,
// FROM above 0 and below TO. Otherwise a sentence that says why, naming the
// text ("band '2000:200': FROM must lie below TO").
Result<MeritBand, std::string> parseMeritBand(std::string_view text);

// "1000:5000": the band as parseMeritBand reads it.
std::string meritBandText(const MeritBand& band);

// Where a response falls a depth under its passband level.
struct Fall {
    enum class Kind {
        undefined,  // no passband level (no finite level in the band)
        at,         // at frequencyHz
        none,       // never falls that far below the passband on the grid
    };
    Kind kind = Kind::undefined;
    double frequencyHz = std::numeric_limits<double>::quiet_NaN();
};

// Levels that are not finite are left out of every figure, as if the grid had
// no point there. Every figure is NaN (a Fall undefined) when the band holds no
// finite level.
struct FiguresOfMerit {
    // The passband level: the median of the finite levels in the band (of an
    // even count, the mean of the middle two).
    float medianDb = std::numeric_limits<float>::quiet_NaN();
    // The peak: the highest finite level at frequencies up to the band's top
    // (the lowest frequency of equal highest levels), minus the passband level,
    // and its frequency. Below the band it is the dipole peak of a baffle
    // whose passband starts above it.
    float peakOverMedianDb = std::numeric_limits<float>::quiet_NaN();
    float peakFrequencyHz = std::numeric_limits<float>::quiet_NaN();
    // The -3 and -6 dB points: where the level falls 3 (6) dB under the
    // passband level, walking down in frequency from the peak or from the
    // lowest point of the band that reaches the passband level, whichever is
    // lower: the roll-off lies below both, while the dips of the comb of edge
    // reflections between a dipole peak and the band are no roll-off, and a
    // roll-off that reaches into the band is still found. The first grid point at or under the
    // target (level L0 at f0) and the point above it (L1 at f1) bound it; the
    // level is taken as linear in log frequency between them:
    // f = f0 (f1 / f0)^t with t = (target - L0) / (L1 - L0). A grid point
    // exactly at the target is the answer itself.
    Fall minus3;
    Fall minus6;
    // The ripple: the highest minus the lowest finite level in the band.
    float rippleDb = std::numeric_limits<float>::quiet_NaN();
};

// The figures of one response (levels in dB at ascending frequencies in Hz;
// points beyond the shorter of the two lists are ignored).
FiguresOfMerit figuresOfMerit(const std::vector<float>& frequenciesHz,
                              const std::vector<float>& levelsDb, const MeritBand& band = {});

// One figure as a table or an answer writes it.
struct MeritValue {
    enum class Kind { number, none, undefined };
    Kind kind = Kind::undefined;
    double number = std::numeric_limits<double>::quiet_NaN();
    bool interpolated = false;  // a frequency between grid points, not a float of the grid
};

// "nan" for an undefined figure, "none" for a fall that never comes, else the
// number: an interpolated frequency in six significant digits ("139.455"), any
// other figure in the fewest digits that read back as the same float.
std::string meritText(const MeritValue& value);

// A figure of merit: its column in the sweep's table, its key in the studio's
// JSON, what it means in a few words, and its value.
struct MeritFigure {
    const char* column;
    const char* jsonKey;
    const char* meaning;
    MeritValue (*value)(const FiguresOfMerit&);
};

MeritValue floatValue(float db);
MeritValue fallValue(const Fall& fall);

// In the order of the sweep's table and the studio's panel.
inline constexpr std::array<MeritFigure, 6> kMeritFigures{{
    {"median_dB", "medianDb", "the passband level: the median level in the band (dB)",
     [](const FiguresOfMerit& m) { return floatValue(m.medianDb); }},
    {"peak_over_median_dB", "peakOverMedianDb",
     "the highest level up to the band's top, less the passband level (dB)",
     [](const FiguresOfMerit& m) { return floatValue(m.peakOverMedianDb); }},
    {"peak_Hz", "peakFrequencyHz", "the frequency of that peak (Hz)",
     [](const FiguresOfMerit& m) { return floatValue(m.peakFrequencyHz); }},
    {"median_minus3_Hz", "medianMinus3Hz",
     "the highest frequency below the passband where the level falls 3 dB under the passband "
     "level (Hz; 'none' if it never does on the grid)",
     [](const FiguresOfMerit& m) { return fallValue(m.minus3); }},
    {"median_minus6_Hz", "medianMinus6Hz", "the same for 6 dB (Hz, or 'none')",
     [](const FiguresOfMerit& m) { return fallValue(m.minus6); }},
    {"band_ripple_dB", "bandRippleDb", "the highest minus the lowest level in the band (dB)",
     [](const FiguresOfMerit& m) { return floatValue(m.rippleDb); }},
}};

}  // namespace opbaff::tools
