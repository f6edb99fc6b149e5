// Gauss-Legendre quadrature on [-1, 1].
#pragma once

#include <vector>

namespace opbaff::accurate {

struct GaussRule {
    std::vector<double> nodes;
    std::vector<double> weights;
};

// The n-point rule (n >= 1), by Newton's iteration on the Legendre polynomial.
GaussRule gaussLegendre(int n);

}  // namespace opbaff::accurate
