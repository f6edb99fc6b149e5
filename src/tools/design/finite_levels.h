// Levels that are not finite numbers (NaN or infinite): whether a design's
// response has them, and a short note that says so and names the values that
// usually cause them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "opbaff/design.h"
#include "opbaff/response.h"

namespace opbaff::tools {

// Whether any of the levels is a finite number.
bool hasFiniteLevel(const std::vector<float>& levelsDb);

// The design's values that give levels no number: a resonance, Q, size or
// distance that is zero, negative or not finite ("q=0 resonance=-5"); when
// none is, its resonance and Q, the driver's high-pass.
std::string suspectValues(const Design& design);

// Nothing when every level of the columns is finite, else "no finite level on
// the grid (q=0)", "no finite level in 3 of 4 columns (...)" or "7 of 324
// levels not finite (...)".
std::optional<std::string> nonFiniteNote(const Response& response,
                                         const std::vector<std::size_t>& columns,
                                         const Design& design);

}  // namespace opbaff::tools
