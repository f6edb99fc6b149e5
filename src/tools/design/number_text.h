// Numbers written as text on the command line: one number, a list of them, and
// a range FROM:TO:STEP. Every tool reads its numbers through these calls.
#pragma once

#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <vector>

#include "opbaff/result.h"

namespace opbaff::tools {

// The number that is the whole text: decimal digits as std::from_chars reads
// them, a leading '+' allowed, nothing around it. Nothing for an empty text, a
// number out of the type's range, and a NaN or an infinity ("nan", "inf").
template <typename Number>
std::optional<Number> parseNumber(std::string_view text) {
    static_assert(std::is_arithmetic_v<Number>);
    if (text.starts_with('+')) text.remove_prefix(1);
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    if constexpr (std::is_floating_point_v<Number>) {
        if (!std::isfinite(value)) return std::nullopt;
    }
    return value;
}

// The parts of the text between the separators: "a,,b" gives "a", "" and "b";
// an empty text gives one empty part.
std::vector<std::string_view> splitText(std::string_view text, char separator);

// The number the float's shortest text stands for: 0.6, not 0.60000002384.
double decimalValue(float value);

// How near FROM + k STEP must come to TO to count as reaching it, and to 0 to
// be 0: a millionth of a step. Decimal steps such as 0.1 are not exact in
// binary, so 0.1 + 6 x 0.1 misses 0.7 by about 1e-16.
inline constexpr double kRangeRounding = 1e-6;

// What a range may hold: its ends within lowest to highest, at most maxCount
// values.
struct RangeLimits {
    double lowest = -std::numeric_limits<float>::max();  // the float range, by default
    double highest = std::numeric_limits<float>::max();
    std::size_t maxCount = 1;
};

enum class RangeProblem {
    notThreeParts,   // not FROM:TO:STEP
    notANumber,      // a part that is not a finite number
    outsideLimits,   // FROM or TO beyond the limits
    zeroStep,        // STEP is 0
    awayFromTo,      // STEP goes from FROM away from TO
    tooManyValues,   // more than maxCount values
    finerThanFloat,  // two values round to the same float
};

struct RangeError {
    RangeProblem problem = RangeProblem::notThreeParts;
    // The part concerned (0 FROM, 1 TO, 2 STEP) as written and as read:
    // the part that is not a number, the end beyond the limits, or TO for
    // awayFromTo.
    std::size_t part = 0;
    std::string_view text{};
    double value = 0.0;
};

// The values of "FROM:TO:STEP": FROM + k STEP for k = 0, 1, ... as long as
// they do not pass TO, each computed in double and rounded to a float once.
// TO is the last value when FROM + k STEP misses it by less than
// kRangeRounding steps, and so is 0 for a later value that near it (-0.3:0.3:0.1
// passes 0, not 5.6e-17). STEP is negative when TO lies below FROM; FROM = TO
// gives one value whatever the step. The count is known before any value is
// made, so a huge one costs nothing. `text` must outlive the error.
Result<std::vector<float>, RangeError> parseRange(std::string_view text, const RangeLimits& limits);

}  // namespace opbaff::tools
