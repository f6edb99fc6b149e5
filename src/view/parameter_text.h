// The parameters put into words: for the comment lines of the FRD files and
// the title of the plot.
#pragma once

#include <string>
#include <vector>

#include "model/parameter_set.h"

namespace opbaff::view {

// The text with every byte outside printable ASCII (a line feed a quoted code
// may hold, for one) replaced by '?', so that it stays on one comment line.
std::string printableAscii(std::string text);

// A Real in the fewest digits that read back as the same Real: 60, 22.5, 0.7.
std::string shortNumber(Real value);

// "u" or "U": the single-path model delays the front source of its column 4 by
// half the rear path.
bool isHalfDelayVariant(const ParameterSet& parameters);

// "rectangular baffle", "single-path model" or "single-path model, half-delay variant".
std::string modelName(const ParameterSet& parameters);

// One "name value" line per parameter of the file, in file order; codes quoted
// with their blanks ("modelCode 'r  '").
std::vector<std::string> parameterLines(const ParameterSet& parameters);

// Model, baffle size and listening angle, for the plot's title.
std::string plotTitle(const ParameterSet& parameters);

}  // namespace opbaff::view
