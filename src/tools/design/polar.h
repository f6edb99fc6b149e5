// Directivity of a rectangular baffle: the off-axis response (column 3 of the
// result file) at a set of horizontal listening angles.
#pragma once

#include <complex>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "opbaff/response.h"

namespace opbaff::tools {

// The most angles one set holds (-180:180:0.1 is 3601).
inline constexpr std::size_t kMaxPolarAngles = 3601;

// "FROM:TO:STEP" in degrees, read as parseRange reads it (FROM and TO
// included within a millionth of a step): the angles, at most kMaxPolarAngles
// of them within -180 to 180 degrees, or why the text names none.
Result<std::vector<float>, std::string> parseAngles(std::string_view text);

struct PolarSet {
    std::vector<float> anglesDeg;
    std::vector<float> frequenciesHz;
    // [angle][frequency]: the off-axis level at that angle, bit for bit the
    // column 3 that the program writes for that listening angle.
    std::vector<std::vector<float>> levelsDb;
    std::vector<std::vector<std::complex<float>>> values;
    // The off-axis level at 0 degrees: the reference of relative levels.
    std::vector<float> onAxisDb;
};

// The set for a rectangular design, its angles computed on `jobs` threads; for
// a single-path design, an error that says the model has no directivity.
Result<PolarSet, std::string> computePolarSet(const Design& design, const FrequencyGrid& grid,
                                              const std::vector<float>& anglesDeg, int jobs);

// A design's directivity on the accurate thin-plate model: its rectangle
// solved once, then heard at each horizontal angle (positive towards side 1,
// beyond 90 behind the baffle) and each vertical angle (positive upwards,
// beyond 90 behind the baffle, turning over its top), listenerDistanceM from
// the driver centre, on `jobs` threads. An empty list gives an empty set.
struct PlatePolarSets {
    PolarSet horizontal;
    PolarSet vertical;
};
Result<PlatePolarSets, std::string> computePlatePolarSets(const Design& design,
                                                          const FrequencyGrid& grid,
                                                          const std::vector<float>& horizontalDeg,
                                                          const std::vector<float>& verticalDeg,
                                                          int jobs);

// The response of `design` heard at angle k of the set, as computeResponse
// gives it: only the off-axis column (index 2) is filled.
Response offAxisResponse(const PolarSet& set, std::size_t angle);

// The set with the driver's high-pass divided out of every level, the on-axis
// reference included (baffleOnlyResponse): the baffle's own directivity. The
// levels relative to on axis stay as they were, within a float's rounding.
PolarSet baffleOnlySet(PolarSet set, const Design& design);

// An angle in the fewest digits, whole degrees as whole numbers: "-30", "0"
// (for either zero), "7.5".
std::string angleText(float angleDeg);

// "<name> hor <angle>.frd" (or "ver" for the vertical plane), the names
// crossover tools import as an off-axis set.
enum class PolarPlane { horizontal, vertical };
std::string polarFileName(const std::string& name, float angleDeg,
                          PolarPlane plane = PolarPlane::horizontal);

// The index of the frequency nearest `frequencyHz` on a logarithmic scale (the
// lower one on a tie); `frequenciesHz` is not empty.
std::size_t nearestFrequency(const std::vector<float>& frequenciesHz, float frequencyHz);

// A comma-separated list of frequencies in hertz ("250,500,1000"), each above 0.
Result<std::vector<float>, std::string> parseFrequencies(std::string_view text);

}  // namespace opbaff::tools
