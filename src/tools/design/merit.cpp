#include "merit.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <limits>

#include "number_text.h"
#include "opbaff/short_number.h"

namespace opbaff::tools {
namespace {

struct Point {
    double frequencyHz;
    double levelDb;
};

// The finite points of a response up to `toHz`, in ascending frequency.
std::vector<Point> finitePoints(const std::vector<float>& frequenciesHz,
                                const std::vector<float>& levelsDb, float toHz) {
    std::vector<Point> points;
    const std::size_t count = std::min(frequenciesHz.size(), levelsDb.size());
    for (std::size_t i = 0; i < count && frequenciesHz[i] <= toHz; ++i) {
        if (std::isfinite(levelsDb[i])) points.push_back({frequenciesHz[i], levelsDb[i]});
    }
    return points;
}

bool inBand(const Point& p, const MeritBand& band) {
    return p.frequencyHz >= band.fromHz && p.frequencyHz <= band.toHz;
}

double median(std::vector<double> levels) {
    const std::size_t middle = levels.size() / 2;
    std::nth_element(levels.begin(), levels.begin() + static_cast<std::ptrdiff_t>(middle),
                     levels.end());
    const double upper = levels[middle];
    if (levels.size() % 2 == 1) return upper;
    const double lower =
        *std::max_element(levels.begin(), levels.begin() + static_cast<std::ptrdiff_t>(middle));
    return (lower + upper) / 2.0;
}

// Walking down from points[start] (which lies above `target`), the first crossing of `target`:
// between a point at or under it and the next point above it, where level is linear in log f, f =
// f0 (f1 / f0)^t with t the fraction of the level step.
Fall fallBelow(const std::vector<Point>& points, std::size_t start, double target) {
    for (std::size_t i = start; i-- > 0;) {
        if (points[i].levelDb > target) continue;
        const Point& low = points[i];
        const Point& high = points[i + 1];
        const double t = (target - low.levelDb) / (high.levelDb - low.levelDb);
        return {Fall::Kind::at, low.frequencyHz * std::pow(high.frequencyHz / low.frequencyHz, t)};
    }
    return {Fall::Kind::none, std::numeric_limits<double>::quiet_NaN()};
}

std::string bandError(std::string_view text, const std::string& reason) {
    return "band '" + std::string(text) + "': " + reason;
}

}  // namespace

Result<MeritBand, std::string> parseMeritBand(std::string_view text) {
    const std::vector<std::string_view> parts = splitText(text, ':');
    if (parts.size() != 2) return bandError(text, "expected FROM:TO in Hz");
    const std::optional<float> from = parseNumber<float>(parts[0]);
    const std::optional<float> to = parseNumber<float>(parts[1]);
    if (!from) return bandError(text, "FROM '" + std::string(parts[0]) + "' is not a number");
    if (!to) return bandError(text, "TO '" + std::string(parts[1]) + "' is not a number");
    if (!(*from > 0.0F)) return bandError(text, "FROM must lie above 0 Hz");
    if (!(*from < *to)) return bandError(text, "FROM must lie below TO");
    return MeritBand{*from, *to};
}

std::string meritBandText(const MeritBand& band) {
    return shortNumber(band.fromHz) + ":" + shortNumber(band.toHz);
}

FiguresOfMerit figuresOfMerit(const std::vector<float>& frequenciesHz,
                              const std::vector<float>& levelsDb, const MeritBand& band) {
    const std::vector<Point> points = finitePoints(frequenciesHz, levelsDb, band.toHz);
    std::vector<double> bandLevels;
    double highest = -std::numeric_limits<double>::infinity();
    double lowest = std::numeric_limits<double>::infinity();
    for (const Point& p : points) {
        if (!inBand(p, band)) continue;
        bandLevels.push_back(p.levelDb);
        highest = std::max(highest, p.levelDb);
        lowest = std::min(lowest, p.levelDb);
    }
    FiguresOfMerit merit;
    if (bandLevels.empty()) return merit;
    const double passband = median(bandLevels);
    merit.medianDb = static_cast<float>(passband);
    merit.rippleDb = static_cast<float>(highest - lowest);

    const auto peak =
        std::max_element(points.begin(), points.end(),
                         [](const Point& a, const Point& b) { return a.levelDb < b.levelDb; });
    merit.peakOverMedianDb = static_cast<float>(peak->levelDb - passband);
    merit.peakFrequencyHz = static_cast<float>(peak->frequencyHz);

    const auto start = std::find_if(points.begin(), points.end(), [&](const Point& p) {
        return inBand(p, band) && p.levelDb >= passband;
    });
    const auto startIndex = static_cast<std::size_t>(std::min(start, peak) - points.begin());
    merit.minus3 = fallBelow(points, startIndex, passband - 3.0);
    merit.minus6 = fallBelow(points, startIndex, passband - 6.0);
    return merit;
}

MeritValue floatValue(float value) {
    if (std::isnan(value)) return {};
    return {MeritValue::Kind::number, value, false};
}

MeritValue fallValue(const Fall& fall) {
    switch (fall.kind) {
        case Fall::Kind::at:
            return {MeritValue::Kind::number, fall.frequencyHz, true};
        case Fall::Kind::none:
            return {MeritValue::Kind::none, std::numeric_limits<double>::quiet_NaN(), true};
        case Fall::Kind::undefined:
            break;
    }
    return {};
}

std::string meritText(const MeritValue& value) {
    if (value.kind == MeritValue::Kind::none) return "none";
    if (value.kind == MeritValue::Kind::undefined) return "nan";
    if (!value.interpolated) return shortNumber(static_cast<float>(value.number));
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value.number);
    return text;
}

}  // namespace opbaff::tools
