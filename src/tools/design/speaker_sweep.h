// Speakers that differ: the values a sweep gives fields of a speaker file's
// speaker, every combination of them, and each speaker's sum on axis judged by
// its figures of merit, computed in parallel.
#pragma once

#include <array>
#include <complex>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "merit.h"
#include "opbaff/result.h"
#include "opbaff/speaker.h"

namespace opbaff::tools {

// A field of a speaker a sweep can vary. A driver's field is named
// "<driver>.<name>" ("tweeter.x"); the others by their name alone.
struct SpeakerSweepField {
    const char* name;  // "baffle.width", or for a driver "x"
    bool ofDriver;
    bool length;  // in the speaker file's unit; otherwise as written (dB, ms)
    const char* meaning;
    // Sets the value (metres for a length) on the speaker, on driver `driver`
    // for a driver's field.
    void (*set)(Speaker& speaker, std::size_t driver, double value);
};

// THE table of sweepable speaker fields, in the order help and errors list them.
inline constexpr std::array<SpeakerSweepField, 10> kSpeakerSweepFields{{
    {"baffle.width", false, true, "the rectangle's width",
     [](Speaker& s, std::size_t, double v) { s.baffle.widthM = v; }},
    {"baffle.height", false, true, "the rectangle's height",
     [](Speaker& s, std::size_t, double v) { s.baffle.heightM = v; }},
    {"baffle.corner_size", false, true, "the chamfer or radius of its corners",
     [](Speaker& s, std::size_t, double v) { s.baffle.cornerSizeM = v; }},
    {"listening.distance", false, true, "the listening distance from the reference point",
     [](Speaker& s, std::size_t, double v) { s.listeningDistanceM = v; }},
    {"x", true, true, "the driver's centre, from the baffle's left edge",
     [](Speaker& s, std::size_t d, double v) { s.drivers[d].centreM.x = v; }},
    {"y", true, true, "the driver's centre, from the baffle's bottom edge",
     [](Speaker& s, std::size_t d, double v) { s.drivers[d].centreM.y = v; }},
    {"diameter", true, true, "the driver's piston diameter",
     [](Speaker& s, std::size_t d, double v) { s.drivers[d].pistonDiameterM = v; }},
    {"gain_db", true, false, "the driver's gain (dB)",
     [](Speaker& s, std::size_t d, double v) { s.drivers[d].gainDb = v; }},
    {"delay_ms", true, false, "the driver's delay (ms)",
     [](Speaker& s, std::size_t d, double v) { s.drivers[d].delayMs = v; }},
    {"rear_level_db", true, false, "the driver's rear against its front (dB)",
     [](Speaker& s, std::size_t d, double v) { s.drivers[d].rearLevelDb = v; }},
}};

// The names as a sweep takes them, separated by commas: "baffle.width, ...,
// <driver>.x, ...".
std::string speakerSweepFieldNames();

// One FIELD=FROM:TO:STEP over a speaker: the field, its driver and its values
// as written (lengths in the file's unit).
struct SpeakerSweepSpec {
    const SpeakerSweepField* field = nullptr;
    std::size_t driver = 0;  // for a driver's field
    std::string name;        // as the table heads it: "tweeter.x"
    std::vector<float> values;
};

// The field and its values, or a one-line reason: an unknown field (with the list), a driver
// the speaker has not (with its drivers), a rectangle's field on a polygon,
// a range that gives no values.
Result<SpeakerSweepSpec, std::string> parseSpeakerSweepSpec(std::string_view text,
                                                            const Speaker& speaker);

// One speaker of a sweep.
struct SpeakerVariant {
    std::string name;  // "tweeter.x=20 baffle.width=50"
    Speaker speaker;
    std::vector<float> values;  // in the specs' order
    // True when the sweep varies no field of the baffle: the variants are
    // then models of one plate, sharing the solves of the drivers they leave
    // where they are.
    bool samePlate = false;
};

// Every combination of the specs' values on the base speaker, the first spec
// varying slowest; lengths converted with `metresPerUnit`. Errors: a field
// swept twice, more than kMaxVariants speakers.
Result<std::vector<SpeakerVariant>, std::string> speakerSweepVariants(
    const Speaker& base, const std::vector<SpeakerSweepSpec>& specs, double metresPerUnit);

struct SpeakerVariantResult {
    FiguresOfMerit merit;
    std::string note;  // empty, or why the model refused the speaker
    std::vector<float> frequenciesHz;
    std::vector<std::complex<double>> sum;  // on axis at the listening distance
    std::vector<float> sumDb;               // its levels
};

// Each speaker's sum on axis on its grid and the figures of merit of it, in
// variant order, on `jobs` threads; the results do not depend on the count.
// Variants of one plate are made from one model (SpeakerModel::withSpeaker),
// which solves again only the drivers they move or whose rear they change,
// to the same bits as solving each whole.
std::vector<SpeakerVariantResult> evaluateSpeakerVariants(
    const std::vector<SpeakerVariant>& variants, const MeritBand& band, int jobs,
    const std::function<void(std::size_t)>& progress = {});

}  // namespace opbaff::tools
