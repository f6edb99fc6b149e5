// The response columns of the result file that the chosen model defines, with
// what each holds, the FRD file it goes to and its label in the plot.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "opbaff/design.h"

namespace opbaff::view {

struct OutputColumn {
    std::size_t index = 0;    // 0 to 3: column 1 to 4 of the result file
    std::string fileName;     // "opbaff-no-path.frd"
    std::string description;  // plain ASCII, for the FRD comment lines
    std::string label;        // for the plot's key
};

// Rectangular baffle: all four columns. Single-path model: columns 1, 2 and 4;
// its column 3 is a constant reference level, not a response.
std::vector<OutputColumn> outputColumns(const Design& design);

}  // namespace opbaff::view
