// Designs put into words: for the comment lines of FRD files, plot titles and
// labels.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "opbaff/design.h"
#include "opbaff/short_number.h"

namespace opbaff::tools {

// The text with every byte outside printable ASCII replaced by '?', so that it
// stays on one comment line.
std::string printableAscii(std::string text);

// The text as a label shows it, whatever bytes it holds: valid UTF-8 without
// control characters. A control character becomes its symbol from the Control
// Pictures block (a line feed shows as U+240A), a C1 control, U+FFFE, U+FFFF
// and every byte that is not part of a well-formed UTF-8 sequence become
// U+FFFD.
std::string visibleText(std::string_view text);

// "rectangular baffle", "single-path model" or "single-path model, half-delay variant".
std::string modelWords(Model model);

// One "name value" line per value of the design, in parameter file order, the
// choices in words: "model rectangular", "baffleHeightCm 100", "pistonFactor on".
std::vector<std::string> designLines(const Design& design);

// Model, baffle size and listening angle, for a plot's title.
std::string plotTitle(const Design& design);

}  // namespace opbaff::tools
