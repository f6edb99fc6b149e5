#include "level_warnings.h"

#include <algorithm>
#include <cmath>

#include "opbaff/design_check.h"
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

const SweepField& sweepFieldOf(float Design::*member) {
    return *std::find_if(kSweepFields.begin(), kSweepFields.end(),
                         [member](const SweepField& s) { return s.member() == member; });
}

// "x=50 y=-3": the fields of the notes of one kind, by their sweep names.
std::string valuesOfNotes(const std::vector<DesignNote>& notes, DesignCheck check,
                          const Design& design) {
    std::string values;
    for (const DesignNote& note : notes) {
        if (note.check == check && note.field != nullptr) {
            addValue(values, sweepFieldOf(note.field->member), design);
        }
    }
    return values;
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

std::optional<std::string> placementNote(const Design& design) {
    if (design.model != Model::rectangular) return std::nullopt;
    // The placement notes need no levels: an empty response counts no rows.
    const std::vector<DesignNote> notes = checkDesign(design, Response{});
    const std::string unbuildable = valuesOfNotes(notes, DesignCheck::baffleNotBuildable, design);
    if (!unbuildable.empty()) return "baffle cannot be built (" + unbuildable + ")";
    const std::string off = valuesOfNotes(notes, DesignCheck::driverOffBaffle, design);
    if (off.empty()) return std::nullopt;
    return "driver off the " + shortNumber(design.baffleWidthCm) + " x " +
           shortNumber(design.baffleHeightCm) + " cm baffle (" + off + ")";
}

std::optional<std::string> levelWarning(const Response& response,
                                        const std::vector<std::size_t>& columns,
                                        const Design& design) {
    const auto placement = placementNote(design);
    const auto nonFinite = nonFiniteNote(response, columns, design);
    if (placement && nonFinite) return *placement + "; " + *nonFinite;
    return placement ? placement : nonFinite;
}

}  // namespace opbaff::tools
