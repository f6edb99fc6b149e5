// opbaff: a float as the notes of checkDesign and the tools write it.
#pragma once

#include <string>

namespace opbaff {

// The float in the shortest text that reads back as the same float, as
// std::to_chars writes it: "60", "22.5", "0.7", "-0.005", "1e+20", "inf",
// "-inf", "nan".
std::string shortNumber(float value);

}  // namespace opbaff
