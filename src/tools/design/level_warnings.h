// What makes a design's levels mean nothing, said in a short note with the
// values that cause it: levels that are not finite numbers (NaN or infinite),
// or, on the rectangular model, a driver whose centre lies off its baffle.
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

// Nothing when the rectangular model's driver centre lies on a baffle that can
// be built (and always for the other models), else "driver off the 40 x 60 cm
// baffle (x=50)" or "baffle cannot be built (width=0)": edge distances below 0
// give levels that mean nothing although they are numbers.
std::optional<std::string> placementNote(const Design& design);

// The notes of both kinds that apply, joined by "; ", or nothing.
std::optional<std::string> levelWarning(const Response& response,
                                        const std::vector<std::size_t>& columns,
                                        const Design& design);

}  // namespace opbaff::tools
