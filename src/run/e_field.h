// The E16.8 field of a result row: a level as 0.dddddddd times a power of ten,
// right-aligned in 16 characters.
#pragma once

#include <array>

#include "model/real.h"

namespace opbaff {

inline constexpr std::size_t kFieldWidth = 16;

using EField = std::array<char, kFieldWidth>;

// "  0.12345678E+02", " -0.60205998E+01", zero of either sign as
// "  0.00000000E+00". A level that is not finite is written right-aligned as
// "Infinity", "-Infinity" or "NaN".
EField formatEField(Real value);

}  // namespace opbaff
