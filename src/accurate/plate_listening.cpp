// Hearing a plate's solutions: the geometrical sound, the first-order
// diffraction (first_order.cpp) and the higher orders, from the drivers' edge
// waves (PlateSolution::listen) or from a listener's weights
// (PlateListenerSolution::hear).
#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <vector>

#include "accurate/cos_sin.h"
#include "accurate/edge_view.h"
#include "accurate/first_order.h"
#include "accurate/plate_state.h"
#include "opbaff/thin_plate.h"

namespace opbaff {
namespace {

using accurate::bandOf;
using accurate::checkListener;
using accurate::Complex;
using accurate::EdgeView;
using accurate::FaceGains;
using accurate::faceGains;
using accurate::green;
using accurate::kLineFactor;
using accurate::kPi;
using accurate::kSmallest;
using accurate::reserveView;
using accurate::viewEdges;
using accurate::Wave;

struct Parts {
    Complex geometrical, first, higher;
};

// What hearing drivers on a plate needs besides the edge waves.
struct Scene {
    const std::vector<accurate::Edge>& edges;
    const accurate::GaussRule& panelRule;
    double speedOfSound;
    const std::vector<double>& frequencies;
    const std::vector<PlateDriver>& drivers;
};

// The geometrical sound at `at` of the front-face sources weighted by `gains`.
Complex geometricalField(const Scene& d, std::size_t i, const std::vector<double>& gains,
                         SpacePoint at) {
    const double k = 2.0 * kPi * d.frequencies[i] / d.speedOfSound;
    Complex sum = 0.0;
    for (std::size_t j = 0; j < d.drivers.size(); ++j) {
        if (gains[j] != 0.0 && at.z > 0.0) {
            // The source and its image in the face merge: twice the direct sound.
            const PlatePoint s = d.drivers[j].position;
            sum += 2.0 * gains[j] * green(k, std::hypot(at.x - s.x, at.y - s.y, at.z));
        }
    }
    return sum;
}

// Adds the quadrature nodes of the first-order diffraction at `at` of the
// front-face sources weighted by `gains`, for wavenumbers up to kMax.
void addFirstOrderNodes(const Scene& d, const std::vector<double>& gains, SpacePoint at,
                        double kMax, accurate::FirstOrderNodes& nodes) {
    for (std::size_t j = 0; j < d.drivers.size(); ++j) {
        if (gains[j] == 0.0) {
            continue;
        }
        const SpacePoint s{d.drivers[j].position.x, d.drivers[j].position.y, 0.0};
        for (const auto& edge : d.edges) {
            accurate::firstOrderNodes(accurate::edgeCoordinates(edge, s),
                                      accurate::edgeCoordinates(edge, at), edge.length, kMax,
                                      d.panelRule, gains[j], nodes);
        }
    }
}

// Adds to sums[x] the directivity times the wave arriving at x, over all w:
// point by point in the order of w, each point's sum apart, so that it vectorises.
__attribute__((target_clones("avx512f", "avx2", "default"))) void addArriving(
    const double* beta, const Wave* in, std::size_t n, double* sumRe, double* sumIm) {
    // std::complex is laid out as its real part, then its imaginary part.
    const auto* wave = reinterpret_cast<const float*>(in);
    for (std::size_t w = 0; w < n; ++w) {
        const double* b = beta + w * n;
        const float* v = wave + 2 * w * n;
        for (std::size_t x = 0; x < n; ++x) {
            sumRe[x] += b[x] * static_cast<double>(v[2 * x]);
            sumIm[x] += b[x] * static_cast<double>(v[2 * x + 1]);
        }
    }
}

// Frequencies of one grid heard together: each pass over the directivities
// serves this many, which the loop is bound by the memory for.
constexpr std::size_t kListenBatch = 4;

// addArriving for kListenBatch waves at once, each summed exactly as alone.
__attribute__((target_clones("avx512f", "avx2", "default"))) void addArrivingBatch(
    const double* beta, const std::array<const Wave*, kListenBatch>& in, std::size_t n,
    double* sumRe, double* sumIm) {
    std::array<const float*, kListenBatch> wave{};
    for (std::size_t j = 0; j < kListenBatch; ++j) wave[j] = reinterpret_cast<const float*>(in[j]);
    for (std::size_t w = 0; w < n; ++w) {
        const double* b = beta + w * n;
        for (std::size_t j = 0; j < kListenBatch; ++j) {
            const float* v = wave[j] + 2 * w * n;
            double* re = sumRe + j * n;
            double* im = sumIm + j * n;
            for (std::size_t x = 0; x < n; ++x) {
                re[x] += b[x] * static_cast<double>(v[2 * x]);
                im[x] += b[x] * static_cast<double>(v[2 * x + 1]);
            }
        }
    }
}

// The waves arriving at every edge point at frequencies i to i + count - 1 (one
// grid, count at most kListenBatch), weighted by the view's directivities, in
// view.batchRe/batchIm, frequency after frequency.
void arrivingOnView(const PlateSolution::Data& d, std::size_t i, std::size_t count,
                    EdgeView& view) {
    const auto n = static_cast<std::size_t>(view.grid->size);
    std::fill_n(view.batchRe.begin(), count * n, 0.0);
    std::fill_n(view.batchIm.begin(), count * n, 0.0);
    const auto add = [&](const std::vector<double>& beta, const std::vector<Wave>& incoming) {
        if (count == kListenBatch) {
            std::array<const Wave*, kListenBatch> in{};
            for (std::size_t j = 0; j < count; ++j) in[j] = incoming.data() + d.offsets[i + j];
            addArrivingBatch(beta.data(), in, n, view.batchRe.data(), view.batchIm.data());
            return;
        }
        for (std::size_t j = 0; j < count; ++j) {
            addArriving(beta.data(), incoming.data() + d.offsets[i + j], n,
                        view.batchRe.data() + j * n, view.batchIm.data() + j * n);
        }
    };
    add(view.front, d.incomingFront);
    if (!d.incomingRear.empty()) add(view.rear, d.incomingRear);
}

// The higher orders heard on `view` at frequency i, the j-th of its batch: the
// edge sources of the waves arriving at every edge point.
Complex higherField(const PlateSolution::Data& d, std::size_t i, std::size_t j,
                    const EdgeView& view) {
    const double k = 2.0 * kPi * d.frequencies[i] / d.speedOfSound;
    const auto& grid = *view.grid;
    const auto n = static_cast<std::size_t>(grid.size);
    const double* sumRe = view.batchRe.data() + j * n;
    const double* sumIm = view.batchIm.data() + j * n;
    Complex higher = 0.0;
    for (std::size_t x = 0; x < n; ++x) {
        const double l = view.distance[x];
        const accurate::CosSin e = accurate::cosSin(k * l);
        higher += (grid.weight[x] / l) * Complex(e.c, -e.s) * Complex(sumRe[x], sumIm[x]);
    }
    return kLineFactor * higher;
}

// The response of the scene's drivers at a checked listener, the higher orders
// of frequency i given by higher(i) (not asked in the plane beyond the outline,
// where there are none).
template <typename Higher>
PlateResponse hearAt(const Scene& d, const FaceGains& gains, SpacePoint listener,
                     const std::vector<int>& orders, Higher higher) {
    const bool inPlane = listener.z == 0.0;
    PlateResponse out;
    out.frequenciesHz = d.frequencies;
    out.ordersSummed = orders;
    const SpacePoint mirror{listener.x, listener.y, -listener.z};
    accurate::FirstOrderNodes nodes;
    std::size_t nodesEnd = 0;  // the frequencies before it are served by `nodes`
    for (std::size_t i = 0; i < d.frequencies.size(); ++i) {
        const double k = 2.0 * kPi * d.frequencies[i] / d.speedOfSound;
        Complex baffle = 0.0;
        Complex gain = 0.0;
        for (std::size_t j = 0; j < d.drivers.size(); ++j) {
            const double r = std::hypot(listener.x - d.drivers[j].position.x,
                                        listener.y - d.drivers[j].position.y, listener.z);
            baffle += 2.0 * gains.front[j] * green(k, r);
            gain += (gains.front[j] + gains.rear[j]) * green(k, r);
        }
        Parts p{};
        if (inPlane) {
            // In the plane beyond the outline a face source is heard exactly as half
            // of the pair of equal sources on both faces, which the plate does not
            // disturb: its free-field sound.
            p.geometrical = gain;
        } else {
            if (i >= nodesEnd) {
                // One set of nodes serves the following frequencies of the same band,
                // laid out for the highest of them.
                nodesEnd = i;
                double kMax = k;
                while (nodesEnd < d.frequencies.size() &&
                       bandOf(d.frequencies[nodesEnd]) == bandOf(d.frequencies[i])) {
                    kMax = std::max(kMax, 2.0 * kPi * d.frequencies[nodesEnd] / d.speedOfSound);
                    ++nodesEnd;
                }
                nodes.path.clear();
                nodes.weight.clear();
                addFirstOrderNodes(d, gains.front, listener, kMax, nodes);
                addFirstOrderNodes(d, gains.rear, mirror, kMax, nodes);
            }
            p = {geometricalField(d, i, gains.front, listener) +
                     geometricalField(d, i, gains.rear, mirror),
                 accurate::firstOrderAt(nodes, k), higher(i)};
        }
        out.geometrical.push_back(p.geometrical / baffle);
        out.firstOrder.push_back(p.first / baffle);
        out.higherOrders.push_back(p.higher / baffle);
        out.total.push_back((p.geometrical + p.first + p.higher) / baffle);
    }
    return out;
}

}  // namespace

Result<PlateResponse, PlateError> PlateSolution::listen(SpacePoint at) const {
    const Data& d = *data_;
    const auto listener = checkListener(d.outline, d.edges, at);
    if (!listener) {
        return listener.error();
    }
    const auto gains = faceGains(d.outline, d.drivers);
    if (!gains) {
        return gains.error();
    }
    const bool folded = d.incomingRear.empty();
    EdgeView view;
    std::size_t largest = 0;
    for (const auto& grid : d.grids) {
        largest = std::max(largest, static_cast<std::size_t>(grid->size));
    }
    reserveView(view, largest, !folded);
    view.batchRe.resize(kListenBatch * largest);
    view.batchIm.resize(kListenBatch * largest);
    const Scene scene{d.edges, d.panelRule, d.speedOfSound, d.frequencies, d.drivers};
    // hearAt asks for the frequencies in order: the first of a batch computes
    // the arriving waves of the whole batch.
    std::size_t batchFirst = 0;
    std::size_t batchEnd = 0;
    return hearAt(scene, *gains, *listener, d.orders, [&](std::size_t i) {
        if (i < batchFirst || i >= batchEnd) {
            const accurate::EdgeGrid* grid = d.grids[i].get();
            if (view.grid != grid) viewEdges(d.edges, *grid, *listener, folded, d.rearRatio, view);
            batchFirst = i;
            batchEnd = i + 1;
            while (batchEnd < d.frequencies.size() && batchEnd - i < kListenBatch &&
                   d.grids[batchEnd].get() == grid) {
                ++batchEnd;
            }
            arrivingOnView(d, i, batchEnd - i, view);
        }
        return higherField(d, i, i - batchFirst, view);
    });
}

namespace {

// How the listener hears, through its weights, the edge signals of unit
// sources at s on both faces (frontGain and rearGain of them): the sum over the
// pairs of edge points of the weights times the first-order edge signals that
// sourceTerm gives. Per point x the pairs are summed in their order, apart from
// the others, so that the loop vectorises.
__attribute__((target_clones("avx512f", "avx2", "default"))) Complex heardThroughEdges(
    const accurate::EdgeGrid& grid, const std::vector<accurate::Edge>& edges, PlatePoint s,
    double k, const Wave* front, const Wave* rear, double frontGain, double rearGain) {
    const auto n = static_cast<std::size_t>(grid.size);
    // std::complex is laid out as its real part, then its imaginary part.
    const auto* f = reinterpret_cast<const float*>(front);
    const auto* r = reinterpret_cast<const float*>(rear);
    Complex heard = 0.0;
    for (std::size_t x = 0; x < n; ++x) {
        const auto& edge = edges[static_cast<std::size_t>(grid.edgeOf[x])];
        const double dx = s.x - grid.x[x];
        const double dy = s.y - grid.y[x];
        const double d = std::hypot(dx, dy);
        const double c = (dx * edge.ex + dy * edge.ey) / d;
        const double sn = std::max(0.0, (dx * edge.nx + dy * edge.ny) / d);
        const double cosHalfS = std::sqrt(std::max(0.0, 0.5 * (1.0 + c)));
        const double sinHalfS = std::sqrt(std::max(0.0, 0.5 * (1.0 - c)));
        const double* rootSin = grid.rootSin.data() + x * n;
        const double* cosHalf = grid.cosHalf.data() + x * n;
        const double* sinHalf = grid.sinHalf.data() + x * n;
        const float* fx = f + 2 * x * n;
        const float* rx = r + 2 * x * n;
        double sumRe = 0.0;
        double sumIm = 0.0;
        for (std::size_t y = 0; y < n; ++y) {
            const double cosDiff =
                std::max(cosHalf[y] * cosHalfS + sinHalf[y] * sinHalfS, kSmallest);
            const double beta = rootSin[y] / cosDiff;
            sumRe += beta * (frontGain * fx[2 * y] + rearGain * rx[2 * y]);
            sumIm += beta * (frontGain * fx[2 * y + 1] + rearGain * rx[2 * y + 1]);
        }
        heard += 4.0 * std::sqrt(sn) * green(k, d) * Complex(sumRe, sumIm);
    }
    return heard;
}

}  // namespace

Result<PlateResponse, PlateError> PlateListenerSolution::hear(
    const std::vector<PlateDriver>& drivers) const {
    const Data& d = *data_;
    const auto gains = faceGains(d.outline, drivers);
    if (!gains) {
        return gains.error();
    }
    const Scene scene{d.edges, d.panelRule, d.speedOfSound, d.frequencies, drivers};
    return hearAt(scene, *gains, d.listener, d.orders, [&](std::size_t i) {
        const double k = 2.0 * kPi * d.frequencies[i] / d.speedOfSound;
        Complex higher = 0.0;
        for (std::size_t j = 0; j < drivers.size(); ++j) {
            higher += heardThroughEdges(*d.grids[i], d.edges, drivers[j].position, k,
                                        d.front.data() + d.offsets[i], d.rear.data() + d.offsets[i],
                                        gains->front[j], gains->rear[j]);
        }
        return higher;
    });
}

SpacePoint PlateListenerSolution::listener() const {
    return data_->listener;
}

}  // namespace opbaff
