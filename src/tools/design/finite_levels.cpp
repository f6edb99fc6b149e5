#include "finite_levels.h"

#include <algorithm>
#include <cmath>

#include "variants.h"
#include "words.h"

namespace opbaff::tools {
namespace {

// A listening angle and the driver's position may well be zero or negative.
bool mayBeZero(const SweepField& sweep) {
    const float Design::*member = sweep.member();
    return member == &Design::offAxisAngleDeg || member == &Design::driverXCm ||
           member == &Design::driverYCm;
}

// Adds "name=value" to a list separated by blanks.
void addValue(std::string& list, const SweepField& sweep, const Design& design) {
    if (!list.empty()) list += ' ';
    list += sweep.name;
    list += '=';
    list += shortNumber(design.*sweep.member());
}

}  // namespace

bool hasFiniteLevel(const std::vector<float>& levelsDb) {
    return std::any_of(levelsDb.begin(), levelsDb.end(), [](float l) { return std::isfinite(l); });
}

std::string suspectValues(const Design& design) {
    std::string text;
    std::string driver;
    for (const SweepField& sweep : kSweepFields) {
        const float Design::*member = sweep.member();
        const float value = design.*member;
        if (member == &Design::resonanceHz || member == &Design::qualityFactor) {
            addValue(driver, sweep, design);
        }
        if (mayBeZero(sweep) || (std::isfinite(value) && value > 0.0F)) continue;
        addValue(text, sweep, design);
    }
    return text.empty() ? driver : text;
}

std::optional<std::string> nonFiniteNote(const Response& response,
                                         const std::vector<std::size_t>& columns,
                                         const Design& design) {
    std::size_t total = 0;
    std::size_t bad = 0;
    std::size_t empty = 0;  // columns without a finite level
    for (const std::size_t column : columns) {
        if (column >= response.columns.size()) continue;
        const std::vector<float>& levels = response.columns[column].levelsDb;
        total += levels.size();
        bad += static_cast<std::size_t>(
            std::count_if(levels.begin(), levels.end(), [](float l) { return !std::isfinite(l); }));
        if (!hasFiniteLevel(levels)) ++empty;
    }
    if (bad == 0) return std::nullopt;
    const std::string values = " (" + suspectValues(design) + ")";
    if (bad == total) return "no finite level on the grid" + values;
    if (empty > 0) {
        return "no finite level in " + std::to_string(empty) + " of " +
               std::to_string(columns.size()) + " columns" + values;
    }
    return std::to_string(bad) + " of " + std::to_string(total) + " levels not finite" + values;
}

}  // namespace opbaff::tools
