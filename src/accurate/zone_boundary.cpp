// A wave that arrives at an edge along a face (from an edge point w) and goes on
// to a listener close to the plate's plane beyond that edge passes near a zone
// boundary of its edge source: the directivity of the edge sources along the
// edge, 4 a cosh(eta / 2) / (sinh^2(eta / 2) + a^2) with a = cos(theta_R / 2),
// has a peak of width |a| / slope at the apex point s* (where the unfolded path
// w-edge-listener is straight) whose integral tends to 4 pi / slope, the jump
// that makes up for the wave from w being cut off by the plate (U. P. Svensson,
// R. I. Fred and J. Vanderkooy, J. Acoust. Soc. Am. 106(5), 1999; for the edge-
// source integral equation, A. Asheim and U. P. Svensson, J. Acoust. Soc. Am.
// 133(6), 2013). On the Gauss points of the edge the peak is missed once it is
// narrower than their spacing. So the peak is taken out by singularity
// subtraction: with its model L(s) = 4 a / (slope^2 (s - s*)^2 + a^2), whose
// integral over the edge is known,
//   Int beta F ds = sum_i w_i beta_i F_i + F(s*) (Int L ds - sum_i w_i L_i),
// where F is the rest of the integrand: the wave arriving from w times the Green
// function to the listener, whose phase is stationary at s* (the path
// w-edge-listener is shortest there), and F(s*) is the polynomial through the
// edge's points. This is linear in the F_i, so it is folded into the listener's
// directivity table, for all frequencies of a grid at once. The residual
// (beta - L) F + L (F - F(s*)) is bounded and its share near s* is of order a.
// Away from the boundary the Gauss sum resolves the peak, but for the points
// close to the line of the edge (next to its corners) the peak stays narrow: at
// |a| = 0.5 the correction still moves the response by up to 7e-4 (10 cm beyond
// the edge of a 50 cm square), so it is faded out there rather than cut.
#include "accurate/zone_boundary.h"

#include <algorithm>
#include <cmath>

#include "accurate/first_order.h"

namespace opbaff::accurate {

namespace {

// Int L ds over [0, length] minus its Gauss sum on the edge's points, for
// |a| = absA; L is odd in a.
double peakDefect(const EdgeGrid& grid, std::size_t first, std::size_t count, double length,
                  Apex apex, double absA) {
    const double q = apex.slope / absA;
    const double exact =
        (4.0 / apex.slope) * (std::atan(q * (length - apex.s)) + std::atan(q * apex.s));
    double gauss = 0.0;
    for (std::size_t i = first; i < first + count; ++i) {
        const double u = q * (grid.s[i] - apex.s);
        gauss += grid.weight[i] * (4.0 / (absA * (1.0 + u * u)));
    }
    return exact - gauss;
}

}  // namespace

void addApexCorrection(const EdgeGrid& grid, const Edge& edge, std::size_t e,
                       const EdgeCoordinates& listener, const ApexTarget* targets,
                       std::size_t targetCount) {
    if (!(listener.r > 0.0)) {
        return;
    }
    const auto n = static_cast<std::size_t>(grid.size);
    const auto first = static_cast<std::size_t>(grid.firstPoint[e]);
    const auto count = static_cast<std::size_t>(grid.pointsPerEdge[e]);
    for (std::size_t w = 0; w < n; ++w) {
        const double dx = grid.x[w] - edge.px;
        const double dy = grid.y[w] - edge.py;
        const EdgeCoordinates sender{dx * edge.ex + dy * edge.ey, dx * edge.nx + dy * edge.ny, 0.0};
        if (static_cast<std::size_t>(grid.edgeOf[w]) == e || !(sender.r > 0.0)) {
            continue;
        }
        const Apex apex = apexOf(sender, listener);
        // F at the apex (the nearest end when it lies beyond the edge) from the
        // edge's points: the barycentric form, exact at a point itself.
        const double at = std::clamp(apex.s, 0.0, edge.length);
        double denominator = 0.0;
        std::size_t onPoint = count;
        for (std::size_t i = 0; i < count; ++i) {
            const double gap = at - grid.s[first + i];
            if (gap == 0.0) {
                onPoint = i;
                break;
            }
            denominator += grid.barycentric[first + i] / gap;
        }
        for (std::size_t t = 0; t < targetCount; ++t) {
            const double a = targets[t].a;
            const double defect = (a < 0.0 ? -1.0 : 1.0) * targets[t].scale *
                                  peakDefect(grid, first, count, edge.length, apex, std::abs(a));
            for (std::size_t i = 0; i < count; ++i) {
                const std::size_t x = first + i;
                double share = 0.0;
                if (onPoint < count) {
                    share = i == onPoint ? 1.0 : 0.0;
                } else {
                    share = grid.barycentric[x] / (at - grid.s[x]) / denominator;
                }
                targets[t].directivity[w * n + x] += defect * share / grid.weight[x];
            }
        }
    }
}

}  // namespace opbaff::accurate
