#include "grid_option.h"

#include <charconv>

namespace opbaff::tools {

Result<FrequencyGrid, std::string> parseGridOption(std::string_view text) {
    if (text == "standard") return FrequencyGrid::standard();
    int perOctave = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), perOctave);
    if (error != std::errc{} || end != text.data() + text.size() || perOctave < 1 ||
        perOctave > kMaxGridPointsPerOctave) {
        return "--grid takes 'standard' or a number of points per octave from 1 to " +
               std::to_string(kMaxGridPointsPerOctave) + ", not '" + std::string(text) + "'";
    }
    auto grid = FrequencyGrid::perOctave(
        {.pointsPerOctave = perOctave, .lowestHz = 10.0F, .highestHz = 20000.0F});
    if (!grid) return std::string(errorText(grid.error()));
    return std::move(grid).value();
}

}  // namespace opbaff::tools
