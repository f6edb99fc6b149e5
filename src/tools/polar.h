// Directivity of a rectangular baffle: the off-axis response (column 3 of the
// result file) at a set of horizontal listening angles.
#pragma once

#include <complex>
#include <string>
#include <string_view>
#include <vector>

#include "opbaff/response.h"

namespace opbaff::tools {

// "FROM:TO:STEP" in degrees, FROM and TO included (within rounding): the
// angles, or why the text names none.
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

}  // namespace opbaff::tools
