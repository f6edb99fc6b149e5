#include "number_text.h"

#include <algorithm>
#include <array>

#include "opbaff/short_number.h"

namespace opbaff::tools {
namespace {

struct Range {
    std::array<double, 3> numbers{};  // FROM, TO, STEP
    std::array<std::string_view, 3> texts;
};

Result<Range, RangeError> readRange(std::string_view text) {
    const std::vector<std::string_view> parts = splitText(text, ':');
    if (parts.size() != 3) return RangeError{RangeProblem::notThreeParts};
    Range range;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const std::optional<double> number = parseNumber<double>(parts[k]);
        if (!number) return RangeError{RangeProblem::notANumber, k, parts[k]};
        range.numbers[k] = *number;
        range.texts[k] = parts[k];
    }
    return range;
}

// Why the range holds no value within the limits, or nothing.
std::optional<RangeError> rangeProblem(const Range& range, const RangeLimits& limits) {
    const auto [from, to, step] = range.numbers;
    for (std::size_t k = 0; k < 2; ++k) {
        const double end = range.numbers[k];
        if (end < limits.lowest || end > limits.highest) {
            return RangeError{RangeProblem::outsideLimits, k, range.texts[k], end};
        }
    }
    if (step == 0.0) return RangeError{RangeProblem::zeroStep, 2, range.texts[2], step};
    if ((to - from) / step < 0.0)
        return RangeError{RangeProblem::awayFromTo, 1, range.texts[1], to};
    return std::nullopt;
}

std::vector<float> valuesOf(double from, double to, double step, std::size_t count) {
    const double rounding = kRangeRounding * std::fabs(step);
    std::vector<float> values;
    values.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        double value = from + static_cast<double>(k) * step;
        if (k + 1 == count && std::fabs(value - to) <= rounding) value = to;
        if (k > 0 && std::fabs(value) <= rounding) value = 0.0;
        values.push_back(static_cast<float>(value));
    }
    return values;
}

}  // namespace

std::vector<std::string_view> splitText(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

double decimalValue(float value) {
    return parseNumber<double>(shortNumber(value)).value_or(static_cast<double>(value));
}

Result<std::vector<float>, RangeError> parseRange(std::string_view text,
                                                  const RangeLimits& limits) {
    const auto range = readRange(text);
    if (!range) return range.error();
    if (const auto problem = rangeProblem(*range, limits)) return *problem;
    const auto [from, to, step] = range->numbers;
    // Counted in double before any value is made: (TO - FROM) / STEP may be
    // 1e300, or infinite.
    const double count = std::floor((to - from) / step + kRangeRounding) + 1.0;
    if (!(count <= static_cast<double>(limits.maxCount))) {
        return RangeError{RangeProblem::tooManyValues};
    }
    std::vector<float> values = valuesOf(from, to, step, static_cast<std::size_t>(count));
    if (std::adjacent_find(values.begin(), values.end()) != values.end()) {
        return RangeError{RangeProblem::finerThanFloat, 2, range->texts[2], step};
    }
    return values;
}

}  // namespace opbaff::tools
