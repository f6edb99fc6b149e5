#include "merit.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace opbaff::tools {
namespace {

// The finite points of a response below the limit, in ascending frequency.
struct Point {
    double frequencyHz;
    double levelDb;
};

std::vector<Point> judgedPoints(const std::vector<float>& frequenciesHz,
                                const std::vector<float>& levelsDb) {
    std::vector<Point> points;
    const std::size_t count = std::min(frequenciesHz.size(), levelsDb.size());
    for (std::size_t i = 0; i < count && frequenciesHz[i] < kMeritLimitHz; ++i) {
        if (std::isfinite(levelsDb[i])) points.push_back({frequenciesHz[i], levelsDb[i]});
    }
    return points;
}

std::size_t peakIndex(const std::vector<Point>& points) {
    std::size_t peak = 0;
    for (std::size_t i = 1; i < points.size(); ++i) {
        if (points[i].levelDb > points[peak].levelDb) peak = i;
    }
    return peak;
}

// Walking down from the peak, the first crossing of `target`: between a point
// at or under it and the next point above it, where level is linear in log f,
// f = f0 (f1 / f0)^t with t the fraction of the level step.
double crossingBelow(const std::vector<Point>& points, std::size_t peak, double target) {
    for (std::size_t i = peak; i-- > 0;) {
        if (points[i].levelDb > target) continue;
        const Point& low = points[i];
        const Point& high = points[i + 1];
        const double t = (target - low.levelDb) / (high.levelDb - low.levelDb);
        return low.frequencyHz * std::pow(high.frequencyHz / low.frequencyHz, t);
    }
    return std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

FiguresOfMerit figuresOfMerit(const std::vector<float>& frequenciesHz,
                              const std::vector<float>& levelsDb) {
    const std::vector<Point> points = judgedPoints(frequenciesHz, levelsDb);
    FiguresOfMerit merit;
    if (points.empty()) return merit;
    const std::size_t peak = peakIndex(points);
    const auto peakLevel = static_cast<float>(points[peak].levelDb);
    merit.peakLevelDb = peakLevel;
    merit.peakFrequencyHz = static_cast<float>(points[peak].frequencyHz);
    merit.minus3Hz = crossingBelow(points, peak, points[peak].levelDb - 3.0);
    merit.minus6Hz = crossingBelow(points, peak, points[peak].levelDb - 6.0);
    double lowest = points[peak].levelDb;
    for (std::size_t i = peak; i < points.size(); ++i) lowest = std::min(lowest, points[i].levelDb);
    merit.rippleDb = peakLevel - static_cast<float>(lowest);
    return merit;
}

}  // namespace opbaff::tools
