// The parameters put into words: for the comment lines of the FRD files and
// the title of the plot.
#pragma once

#include <string>
#include <vector>

#include "opbaff/design.h"
#include "opbaff/parameter_file.h"

namespace opbaff::view {

// The text with every byte outside printable ASCII (a line feed a quoted code
// may hold, for one) replaced by '?', so that it stays on one comment line.
std::string printableAscii(std::string text);

// A float in the fewest digits that read back as the same float: 60, 22.5, 0.7.
std::string shortNumber(float value);

// "rectangular baffle", "single-path model" or "single-path model, half-delay variant".
std::string modelWords(Model model);

// One "name value" line per record of the file, in file order; codes quoted
// with their blanks as read ("modelCode 'r  '").
std::vector<std::string> parameterLines(const ParameterFile& file);

// Model, baffle size and listening angle, for the plot's title.
std::string plotTitle(const Design& design);

}  // namespace opbaff::view
