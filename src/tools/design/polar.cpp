#include "polar.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "parallel.h"
#include "words.h"

namespace opbaff::tools {
namespace {

constexpr double kMaxAngleDeg = 180.0;
constexpr double kRoundingSteps = 1e-6;  // how near a step count must be to a whole one

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// A finite decimal number, a leading '+' allowed, nothing else around it.
template <typename Number>
std::optional<Number> parseNumber(std::string_view text) {
    if (text.starts_with('+')) text.remove_prefix(1);
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

struct AngleRange {
    double from = 0.0;
    double to = 0.0;
    double step = 0.0;
};

// Why the range names no angle, or nothing when it names some.
std::optional<std::string> rangeProblem(const AngleRange& range) {
    for (const double end : {range.from, range.to}) {
        if (std::fabs(end) > kMaxAngleDeg) {
            return shortNumber(static_cast<float>(end)) + " lies outside -180 to 180 degrees";
        }
    }
    if (range.step == 0.0) return std::string("the step is 0");
    if ((range.to - range.from) / range.step < 0.0) {
        return std::string("the step leads away from ") + shortNumber(static_cast<float>(range.to));
    }
    return std::nullopt;
}

// FROM + k STEP; within a millionth of a step, the last angle is TO and an
// angle past 0 is 0 (-0.3:0.3:0.1 passes 0, not 5.6e-17).
std::vector<float> anglesOf(const AngleRange& range, std::size_t count) {
    const double rounding = kRoundingSteps * std::fabs(range.step);
    std::vector<float> angles;
    for (std::size_t k = 0; k < count; ++k) {
        double angle = range.from + static_cast<double>(k) * range.step;
        if (k + 1 == count && std::fabs(angle - range.to) <= rounding) angle = range.to;
        if (k > 0 && std::fabs(angle) <= rounding) angle = 0.0;
        angles.push_back(static_cast<float>(angle));
    }
    return angles;
}

}  // namespace

Result<std::vector<float>, std::string> parseAngles(std::string_view text) {
    const std::string quoted = "angles '" + std::string(text) + "': ";
    const std::vector<std::string_view> parts = split(text, ':');
    std::vector<double> numbers;
    for (const std::string_view part : parts) {
        if (const auto number = parseNumber<double>(part)) numbers.push_back(*number);
    }
    if (parts.size() != 3 || numbers.size() != 3) {
        return quoted + "give FROM:TO:STEP in degrees, as -90:90:5";
    }
    const AngleRange range{numbers[0], numbers[1], numbers[2]};
    if (const auto problem = rangeProblem(range)) return quoted + *problem;
    const double steps = std::floor((range.to - range.from) / range.step + kRoundingSteps);
    if (steps + 1.0 > static_cast<double>(kMaxPolarAngles)) {
        return quoted + "more than " + std::to_string(kMaxPolarAngles) + " angles";
    }
    std::vector<float> angles = anglesOf(range, static_cast<std::size_t>(steps) + 1);
    if (std::adjacent_find(angles.begin(), angles.end()) != angles.end()) {
        return quoted + "the step is finer than single precision holds";
    }
    return angles;
}

Result<PolarSet, std::string> computePolarSet(const Design& design, const FrequencyGrid& grid,
                                              const std::vector<float>& anglesDeg, int jobs) {
    if (design.model != Model::rectangular) {
        return "no directivity in the " + modelWords(design.model) +
               ": only the rectangular baffle (model code r) has one";
    }
    if (anglesDeg.empty()) return std::string("no angle to compute");
    // One job per angle, and a last one for the reference at 0 degrees.
    const std::size_t count = anglesDeg.size();
    std::vector<ResponseColumn> columns(count + 1);
    runParallel(count + 1, jobs, [&](std::size_t i) {
        Design heard = design;
        heard.offAxisAngleDeg = i < count ? anglesDeg[i] : 0.0F;
        columns[i] = std::move(computeResponse(heard, grid).columns[2]);
    });
    PolarSet set;
    set.anglesDeg = anglesDeg;
    set.frequenciesHz = grid.frequencies();
    set.onAxisDb = std::move(columns[count].levelsDb);
    for (std::size_t i = 0; i < count; ++i) {
        set.levelsDb.push_back(std::move(columns[i].levelsDb));
        set.values.push_back(std::move(columns[i].values));
    }
    return set;
}

Response offAxisResponse(const PolarSet& set, std::size_t angle) {
    Response response;
    response.model = Model::rectangular;
    response.frequenciesHz = set.frequenciesHz;
    const auto kinds = responseKinds(Model::rectangular);
    for (std::size_t k = 0; k < kinds.size(); ++k) response.columns[k].kind = kinds[k];
    response.columns[2].levelsDb = set.levelsDb[angle];
    response.columns[2].values = set.values[angle];
    return response;
}

std::string angleText(float angleDeg) {
    return shortNumber(angleDeg == 0.0F ? 0.0F : angleDeg);
}

std::string polarFileName(const std::string& name, float angleDeg) {
    return name + " hor " + angleText(angleDeg) + ".frd";
}

std::size_t nearestFrequency(const std::vector<float>& frequenciesHz, float frequencyHz) {
    std::size_t nearest = 0;
    double nearestDistance = INFINITY;
    for (std::size_t i = 0; i < frequenciesHz.size(); ++i) {
        const double distance =
            std::fabs(std::log(static_cast<double>(frequenciesHz[i]) / frequencyHz));
        if (distance < nearestDistance) {
            nearest = i;
            nearestDistance = distance;
        }
    }
    return nearest;
}

Result<std::vector<float>, std::string> parseFrequencies(std::string_view text) {
    std::vector<float> frequencies;
    for (const std::string_view part : split(text, ',')) {
        const auto frequency = parseNumber<float>(part);
        if (!frequency || *frequency <= 0.0F) {
            return "frequencies '" + std::string(text) +
                   "': give hertz above 0 separated by commas, as 250,500,1000";
        }
        frequencies.push_back(*frequency);
    }
    return frequencies;
}

}  // namespace opbaff::tools
