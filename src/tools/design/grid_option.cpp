#include "grid_option.h"

#include "number_text.h"

namespace opbaff::tools {

Result<FrequencyGrid, std::string> parseGridOption(std::string_view text) {
    if (text == "standard") return FrequencyGrid::standard();
    const int perOctave = parseNumber<int>(text).value_or(0);
    if (perOctave < 1 || perOctave > kMaxGridPointsPerOctave) {
        return "--grid takes 'standard' or a number of points per octave from 1 to " +
               std::to_string(kMaxGridPointsPerOctave) + ", not '" + std::string(text) + "'";
    }
    auto grid = FrequencyGrid::perOctave(
        {.pointsPerOctave = perOctave, .lowestHz = 10.0F, .highestHz = 20000.0F});
    if (!grid) return std::string(errorText(grid.error()));
    return std::move(grid).value();
}

}  // namespace opbaff::tools
