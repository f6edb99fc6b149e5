// The listener's view of the edge points (see edge_view.h).
#include "accurate/edge_view.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "accurate/cos_sin.h"
#include "accurate/zone_boundary.h"

namespace opbaff::accurate {
namespace {

// One row w of the listener's directivities: the edge source at every x for the
// wave from w (sinIn, cosIn of the direction x -> w, seen from x's edge). Folded
// (rear null): front + rearRatio times rear. With sinh^2(eta / 2) = Q / P,
// Q = 1 + cosIn cosOut - sinIn sinOut and P = 2 sinIn sinOut (faceSourceSinh2),
// the directivity 4 a cosh(eta / 2) / (sinh^2(eta / 2) + a^2) is
// 4 a sqrt(P (P + Q)) / (Q + a^2 P): one square root for both, one division
// each or one for the folded sum. Zero from the points of x's own edge (sinIn
// 0), branch-free, so that the loop vectorises.
__attribute__((target_clones("avx512f", "avx2", "default"))) void directivityRow(
    const double* sinPhi, const double* cosPhi, const EdgeView& view, std::size_t n,
    double rearRatio, double* front, double* rear) {
    struct Terms {
        bool sends;
        double root, a, b, toFront, toRear;
    };
    const auto terms = [&](std::size_t x) {
        const double sinIn = sinPhi[x];
        const bool sends = sinIn > 0.0;
        const double sinProduct = (sends ? sinIn : 1.0) * view.sinOut[x];
        const double p = 2.0 * sinProduct;
        const double q = std::max(0.0, 1.0 + (-cosPhi[x]) * view.cosOut[x] - sinProduct);
        const double a = view.a[x];
        const double b = view.aMirror[x];
        return Terms{sends, 4.0 * std::sqrt(p * (p + q)), a, b, q + a * a * p, q + b * b * p};
    };
    if (rear == nullptr) {
        for (std::size_t x = 0; x < n; ++x) {
            const Terms t = terms(x);
            const double sum =
                t.root * (t.a * t.toRear + rearRatio * t.b * t.toFront) / (t.toFront * t.toRear);
            front[x] = t.sends ? sum : 0.0;
        }
    } else {
        for (std::size_t x = 0; x < n; ++x) {
            const Terms t = terms(x);
            front[x] = t.sends ? t.root * t.a / t.toFront : 0.0;
            rear[x] = t.sends ? t.root * t.b / t.toRear : 0.0;
        }
    }
}

}  // namespace

// Sized for grids of up to n points; rear only when not folded.
void reserveView(EdgeView& view, std::size_t n, bool withRear) {
    for (auto* v : {&view.distance, &view.sumRe, &view.sumIm, &view.cosOut, &view.sinOut, &view.a,
                    &view.aMirror}) {
        v->resize(n);
    }
    view.front.resize(n * n);
    view.rear.resize(withRear ? n * n : 0);
}

// The view of `grid` from `at`; `folded` with the rear waves rearRatio times the
// front ones (view.rear then unused).
void viewEdges(const std::vector<accurate::Edge>& edges, const accurate::EdgeGrid& grid,
               SpacePoint at, bool folded, double rearRatio, EdgeView& view) {
    const auto n = static_cast<std::size_t>(grid.size);
    view.grid = &grid;  // its arrays are sized for the largest grid
    const SpacePoint mirror{at.x, at.y, -at.z};
    for (std::size_t e = 0; e < edges.size(); ++e) {
        const auto& edge = edges[e];
        const accurate::EdgeCoordinates r = accurate::edgeCoordinates(edge, at);
        const double a = accurate::halfAngleCosine(r.theta);
        const double aMirror =
            accurate::halfAngleCosine(accurate::edgeCoordinates(edge, mirror).theta);
        const auto first = static_cast<std::size_t>(grid.firstPoint[e]);
        for (std::size_t x = first; x < first + static_cast<std::size_t>(grid.pointsPerEdge[e]);
             ++x) {
            const double l = std::hypot(r.r, grid.s[x] - r.s);
            view.cosOut[x] = (grid.s[x] - r.s) / l;
            view.sinOut[x] = r.r / l;
            view.a[x] = a;
            view.aMirror[x] = aMirror;
            view.distance[x] = l;
        }
    }
    for (std::size_t w = 0; w < n; ++w) {
        directivityRow(grid.sinPhi.data() + w * n, grid.cosPhi.data() + w * n, view, n,
                       folded ? rearRatio : 0.0, view.front.data() + w * n,
                       folded ? nullptr : view.rear.data() + w * n);
    }
    // Near the plane beyond an edge the peaks of the directivity at the apex
    // points fall between the edge's points.
    for (std::size_t e = 0; e < edges.size(); ++e) {
        const auto& edge = edges[e];
        const accurate::EdgeCoordinates r = accurate::edgeCoordinates(edge, at);
        const double a = accurate::halfAngleCosine(r.theta);
        if (std::abs(a) >= accurate::kZoneBoundaryWidth) {
            continue;
        }
        const double aMirror =
            accurate::halfAngleCosine(accurate::edgeCoordinates(edge, mirror).theta);
        const double share = accurate::zoneBoundaryShare(std::abs(a));
        const std::array<accurate::ApexTarget, 2> targets{
            accurate::ApexTarget{a, share, view.front.data()},
            folded ? accurate::ApexTarget{aMirror, share * rearRatio, view.front.data()}
                   : accurate::ApexTarget{aMirror, share, view.rear.data()}};
        accurate::addApexCorrection(grid, edge, e, r, targets.data(), targets.size());
    }
}

// The first term of a listener's weights, L[w * N + x]: how the listener hears
// the wave from w arriving at x and diffracted there once more (the line factor,
// x's weight, the Green function from x to the listener and the directivity at
// x), times the hop from w to x. By reciprocity the rest of the weights are the
// adjoint orders of this term.
void listenerTerm(const accurate::EdgeGrid& grid, EdgeView& view, const double* directivity,
                  double k, const Complex* hop, std::vector<double>& re, std::vector<double>& im) {
    const auto n = static_cast<std::size_t>(grid.size);
    double* toRe = view.sumRe.data();  // per point x: to the listener
    double* toIm = view.sumIm.data();
    for (std::size_t x = 0; x < n; ++x) {
        const double l = view.distance[x];
        const accurate::CosSin e = accurate::cosSin(k * l);
        const double g = kLineFactor * grid.weight[x] / l;
        toRe[x] = g * e.c;
        toIm[x] = -g * e.s;
    }
    for (std::size_t w = 0; w < n; ++w) {
        const double* beta = directivity + w * n;
        const Complex* h = hop + w * n;
        for (std::size_t x = 0; x < n; ++x) {
            const Complex c = beta[x] * Complex(toRe[x], toIm[x]) * h[x];
            re[w * n + x] = c.real();
            im[w * n + x] = c.imag();
        }
    }
}

}  // namespace opbaff::accurate
