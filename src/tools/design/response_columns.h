// The response columns a model defines, with what each holds, the FRD file it
// goes to and its label in a plot; and the choice of columns by name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "opbaff/design.h"
#include "opbaff/response.h"
#include "opbaff/result.h"

namespace opbaff::tools {

struct OutputColumn {
    std::size_t index = 0;    // 0 to 3: column 1 to 4 of the result file
    std::string fileName;     // "opbaff-no-path.frd"
    std::string description;  // plain ASCII, for the FRD comment lines
    std::string label;        // for a plot's key
};

// A response column's label for a plot's key, where "{name}" stands for the
// design's value of the field of that name: "Round baffle {roundBaffleDiameterCm}
// cm, on axis". The tools and the studio's page label their curves from these.
struct ColumnLabel {
    std::size_t index = 0;  // 0 to 3: column 1 to 4 of the result file
    ResponseKind kind = ResponseKind::rectangularOnAxis;
    const char* label = "";
};

// The labels of a model's responses in column order; the single-path model's
// reference level (column 3) is no response and has none.
std::vector<ColumnLabel> columnLabels(Model model);

// The label with each "{name}" replaced by the design's value of that field,
// in the fewest digits that read back as the same float.
std::string filledLabel(std::string_view label, const Design& design);

// Rectangular baffle: all four columns. Single-path model: columns 1, 2 and 4;
// its column 3 is a constant reference level, not a response.
std::vector<OutputColumn> outputColumns(const Design& design);

// The column a name stands for: its number (1 to 4), the library's name
// ("rectangular-on-axis", "no-path", ...) or a short one that fits either model
// ("on-axis": column 1, "off-axis", "round-baffle", "no-path"). Only responses
// count: the single-path model's reference level is none.
Result<std::size_t, std::string> columnByName(Model model, std::string_view name);

// The output columns that a comma-separated list names, in its order; an empty
// list gives all of them.
Result<std::vector<OutputColumn>, std::string> selectColumns(const Design& design,
                                                             std::string_view list);

}  // namespace opbaff::tools
