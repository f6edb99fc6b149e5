// The --grid option of every command: "standard" (the program's 81 points) or
// a number of points per octave from 10 Hz to 20 kHz.
#pragma once

#include <string>
#include <string_view>

#include "opbaff/response.h"

namespace opbaff::tools {

inline constexpr int kMaxGridPointsPerOctave = 96;

// The grid, or why the text names none.
Result<FrequencyGrid, std::string> parseGridOption(std::string_view text);

}  // namespace opbaff::tools
