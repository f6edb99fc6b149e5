// Designs put into words: for the comment lines of FRD files, plot titles and
// labels.
#pragma once

#include <string>
#include <vector>

#include "opbaff/design.h"

namespace opbaff::tools {

// The text with every byte outside printable ASCII replaced by '?', so that it
// stays on one comment line.
std::string printableAscii(std::string text);

// A float in the fewest digits that read back as the same float: 60, 22.5, 0.7.
std::string shortNumber(float value);

// "rectangular baffle", "single-path model" or "single-path model, half-delay variant".
std::string modelWords(Model model);

// One "name value" line per value of the design, in parameter file order, the
// choices in words: "model rectangular", "baffleHeightCm 100", "pistonFactor on".
std::vector<std::string> designLines(const Design& design);

// Model, baffle size and listening angle, for a plot's title.
std::string plotTitle(const Design& design);

}  // namespace opbaff::tools
