#include "accurate/gauss_legendre.h"

#include <cmath>

namespace opbaff::accurate {

GaussRule gaussLegendre(int n) {
    GaussRule rule;
    rule.nodes.resize(static_cast<std::size_t>(n));
    rule.weights.resize(static_cast<std::size_t>(n));
    constexpr double pi = 3.14159265358979323846;
    for (int i = 0; i < n; ++i) {
        // Tricomi's estimate of the i-th root, then Newton on P_n (three-term recurrence).
        double x = std::cos(pi * (i + 0.75) / (n + 0.5));
        double derivative = 1.0;
        for (int iteration = 0; iteration < 100; ++iteration) {
            double p0 = 1.0;
            double p1 = x;
            for (int k = 2; k <= n; ++k) {
                const double p2 = ((2.0 * k - 1.0) * x * p1 - (k - 1.0) * p0) / k;
                p0 = p1;
                p1 = p2;
            }
            if (n == 1) {
                p1 = x;
                p0 = 1.0;
            }
            derivative = n * (x * p1 - p0) / (x * x - 1.0);
            const double step = p1 / derivative;
            x -= step;
            if (std::abs(step) < 1e-16) {
                break;
            }
        }
        rule.nodes[static_cast<std::size_t>(i)] = x;
        rule.weights[static_cast<std::size_t>(i)] = 2.0 / ((1.0 - x * x) * derivative * derivative);
    }
    return rule;
}

}  // namespace opbaff::accurate
