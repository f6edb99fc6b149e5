// The layout search's figures of a curve over a band.
#include "layout_goal.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace opbaff::tools {

Result<LayoutFigures, std::string> layoutFigures(const std::vector<float>& frequenciesHz,
                                                 const std::vector<double>& levelsDb, double fromHz,
                                                 double toHz) {
    std::vector<double> x;
    std::vector<double> y;
    const std::size_t count = std::min(frequenciesHz.size(), levelsDb.size());
    for (std::size_t i = 0; i < count; ++i) {
        const double f = frequenciesHz[i];
        if (f < fromHz || f > toHz || !std::isfinite(levelsDb[i])) continue;
        x.push_back(std::log10(f));
        y.push_back(levelsDb[i]);
    }
    if (x.size() < 3) {
        return std::string("the band holds fewer than 3 finite levels on the search's grid");
    }
    const auto n = static_cast<double>(x.size());
    double meanX = 0.0;
    double meanY = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        meanX += x[i] / n;
        meanY += y[i] / n;
    }
    double sxy = 0.0;
    double sxx = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - meanX) * (y[i] - meanY);
        sxx += (x[i] - meanX) * (x[i] - meanX);
    }
    LayoutFigures figures;
    figures.points = static_cast<int>(x.size());
    figures.tiltDbPerDecade = sxx > 0.0 ? sxy / sxx : 0.0;
    double squares = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double r = y[i] - meanY - figures.tiltDbPerDecade * (x[i] - meanX);
        squares += r * r;
    }
    figures.smoothDb = std::sqrt(squares / n);
    std::vector<double> sorted = y;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t mid = sorted.size() / 2;
    const double median =
        sorted.size() % 2 == 1 ? sorted[mid] : 0.5 * (sorted[mid - 1] + sorted[mid]);
    figures.boostDb = std::max(0.0, median - sorted.front());
    return figures;
}

double goalValue(const LayoutFigures& figures, LayoutGoal goal) {
    return goal == LayoutGoal::smooth ? figures.smoothDb : figures.boostDb;
}

}  // namespace opbaff::tools
