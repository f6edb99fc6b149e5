// The thin-plate model: geometrical sound, first-order diffraction (first_order.cpp)
// and the higher orders by the edge-source integral equation (Asheim and Svensson,
// J. Acoust. Soc. Am. 133(6), 2013) on Gauss-Legendre points, summed order by order.
//
// Only a source on the front face is computed: a rear source heard at (x, y, z) is
// by the plate's mirror symmetry a front source heard at (x, y, -z). For a front
// source the rear-face edge waves are minus the front-face ones (beta(0, 2pi) =
// -beta(0, 0)), so one set of edge signals u(x -> y) per pair of edge points
// carries both faces. A grazing wave arriving along a face is the field at the
// face, twice the incident wave that beta (which holds the face's image itself)
// expects: a factor 1/2 per hop, which the two faces' equal contributions double
// back to 1.
#include "opbaff/thin_plate.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "accurate/edge_grid.h"
#include "accurate/first_order.h"
#include "accurate/gauss_legendre.h"
#include "accurate/plate_geometry.h"

namespace opbaff {

using accurate::kPi;
using Complex = std::complex<double>;

namespace {
constexpr double kNu = 0.5;
constexpr double kLineFactor = -kNu / (4.0 * kPi);  // of the secondary-source integral
constexpr double kBandBaseHz = 100.0;
constexpr int kMaxGridPointsTotal = 256;

Complex green(double k, double r) {
    return std::polar(1.0 / r, -k * r);
}
}  // namespace

struct ThinPlate::State {
    PlateOutline outline;
    double speedOfSound = 344.0;
    PlateAccuracy accuracy;
    std::vector<accurate::Edge> edges;
    accurate::GaussRule panelRule;
    std::map<std::vector<int>, std::shared_ptr<const accurate::EdgeGrid>> grids;
};

struct PlateSolution::Data {
    PlateOutline outline;
    std::vector<accurate::Edge> edges;
    accurate::GaussRule panelRule;
    double speedOfSound = 344.0;
    std::vector<PlateDriver> drivers;
    std::vector<double> frequencies;
    std::vector<std::shared_ptr<const accurate::EdgeGrid>> grids;  // per frequency
    std::vector<std::size_t> offsets;                              // into the incoming signals
    // Per frequency [x * N + w]: the wave arriving at x from w (all orders), for the
    // drivers' front sources and for their rear sources (as front sources).
    std::vector<Complex> incomingFront, incomingRear;
    std::vector<int> orders;
};

Result<ThinPlate, PlateError> ThinPlate::create(PlateOutline outline, double speedOfSoundMPerS,
                                                PlateAccuracy accuracy) {
    if (!std::isfinite(speedOfSoundMPerS) || !std::isfinite(accuracy.pointsPerWavelength) ||
        !std::isfinite(accuracy.orderTolerance)) {
        return PlateError::valueNotFinite;
    }
    if (speedOfSoundMPerS <= 0.0 || accuracy.pointsPerWavelength <= 0.0 ||
        accuracy.minPointsPerEdge < 1 || accuracy.maxOrder < 1 || accuracy.maxOrder > 1000 ||
        accuracy.orderTolerance < 0.0) {
        return PlateError::sizeNotPositive;
    }
    auto state = std::make_shared<State>(State{outline,
                                               speedOfSoundMPerS,
                                               accuracy,
                                               accurate::edgesOf(outline),
                                               accurate::gaussLegendre(6),
                                               {}});
    return ThinPlate(std::move(state));
}

const PlateOutline& ThinPlate::outline() const {
    return state_->outline;
}
double ThinPlate::speedOfSound() const {
    return state_->speedOfSound;
}
const PlateAccuracy& ThinPlate::accuracy() const {
    return state_->accuracy;
}

namespace {

// The points per edge for frequency f: a few per wavelength at the top of f's
// half-octave band, never fewer than the floor.
std::vector<int> pointsPerEdge(const std::vector<accurate::Edge>& edges, const PlateAccuracy& a,
                               double c, double f) {
    const int band = std::max(0, static_cast<int>(std::ceil(2.0 * std::log2(f / kBandBaseHz))));
    const double bandTop = kBandBaseHz * std::pow(2.0, 0.5 * band);
    std::vector<int> counts;
    const int cap = std::max(1, kMaxGridPointsTotal / static_cast<int>(edges.size()));
    for (const auto& e : edges) {
        const int n = static_cast<int>(std::ceil(a.pointsPerWavelength * e.length * bandTop / c));
        counts.push_back(std::min(cap, std::max(a.minPointsPerEdge, n)));
    }
    return counts;
}

// The first-order edge sources of unit front-face sources (weighted by `gains`)
// towards every other edge point: u1(x -> y) = sum g beta00(S, x, y) G(S, x).
void sourceTerm(const accurate::EdgeGrid& grid, const std::vector<PlateDriver>& drivers,
                const std::vector<double>& gains, const std::vector<accurate::Edge>& edges,
                double k, std::vector<double>& re, std::vector<double>& im) {
    const auto n = static_cast<std::size_t>(grid.size);
    std::fill(re.begin(), re.begin() + static_cast<std::ptrdiff_t>(n * n), 0.0);
    std::fill(im.begin(), im.begin() + static_cast<std::ptrdiff_t>(n * n), 0.0);
    for (std::size_t i = 0; i < drivers.size(); ++i) {
        for (std::size_t x = 0; x < n; ++x) {
            const auto& edge = edges[static_cast<std::size_t>(grid.edgeOf[x])];
            const double dx = drivers[i].position.x - grid.x[x];
            const double dy = drivers[i].position.y - grid.y[x];
            const double d = std::hypot(dx, dy);
            const double c = (dx * edge.ex + dy * edge.ey) / d;
            const double sn = std::max(0.0, (dx * edge.nx + dy * edge.ny) / d);
            const double rootSinS = std::sqrt(sn);
            const double cosHalfS = std::sqrt(std::max(0.0, 0.5 * (1.0 + c)));
            const double sinHalfS = std::sqrt(std::max(0.0, 0.5 * (1.0 - c)));
            const Complex g = gains[i] * green(k, d);
            for (std::size_t y = 0; y < n; ++y) {
                const double cy = grid.cosPhi[x * n + y];
                const double sy = grid.sinPhi[x * n + y];
                if (sy <= 0.0) {
                    continue;
                }
                const double cosDiff = std::sqrt(std::max(0.0, 0.5 * (1.0 + cy))) * cosHalfS +
                                       std::sqrt(std::max(0.0, 0.5 * (1.0 - cy))) * sinHalfS;
                const double beta = 4.0 * rootSinS * std::sqrt(sy) / cosDiff;
                re[x * n + y] += beta * g.real();
                im[x * n + y] += beta * g.imag();
            }
        }
    }
}

struct Workspace {
    std::vector<double> curRe, curIm, nextRe, nextIm, sumRe, sumIm, vRe, vIm;
    std::vector<Complex> hop;
    void reserve(std::size_t n) {
        for (auto* v : {&curRe, &curIm, &nextRe, &nextIm, &sumRe, &sumIm}) {
            v->resize(n * n);
        }
        vRe.resize(n);
        vIm.resize(n);
        hop.resize(n * n);
    }
};

// Sums the orders of the edge-source integral equation by iteration, and leaves
// the incoming waves [x * N + w] in `incoming`. Returns the highest order summed.
int sumOrders(const accurate::EdgeGrid& grid, const PlateAccuracy& accuracy, Workspace& ws,
              Complex* incoming) {
    const auto n = static_cast<std::size_t>(grid.size);
    std::copy_n(ws.curRe.begin(), n * n, ws.sumRe.begin());
    std::copy_n(ws.curIm.begin(), n * n, ws.sumIm.begin());
    int order = 1;
    for (; order < accuracy.maxOrder; ++order) {
        double added = 0.0;
        double total = 0.0;
        for (std::size_t x = 0; x < n; ++x) {
            for (std::size_t w = 0; w < n; ++w) {
                const Complex v =
                    ws.hop[w * n + x] * Complex(ws.curRe[w * n + x], ws.curIm[w * n + x]);
                ws.vRe[w] = v.real();
                ws.vIm[w] = v.imag();
            }
            double* outRe = ws.nextRe.data() + x * n;
            double* outIm = ws.nextIm.data() + x * n;
            std::fill(outRe, outRe + n, 0.0);
            std::fill(outIm, outIm + n, 0.0);
            const double* block = grid.grazing.data() + x * n * n;
            for (std::size_t w = 0; w < n; ++w) {
                const double vr = ws.vRe[w];
                const double vi = ws.vIm[w];
                const double* row = block + w * n;
                for (std::size_t y = 0; y < n; ++y) {
                    outRe[y] += row[y] * vr;
                    outIm[y] += row[y] * vi;
                }
            }
        }
        for (std::size_t i = 0; i < n * n; ++i) {
            ws.sumRe[i] += ws.nextRe[i];
            ws.sumIm[i] += ws.nextIm[i];
            added += ws.nextRe[i] * ws.nextRe[i] + ws.nextIm[i] * ws.nextIm[i];
            total += ws.sumRe[i] * ws.sumRe[i] + ws.sumIm[i] * ws.sumIm[i];
        }
        std::swap(ws.curRe, ws.nextRe);
        std::swap(ws.curIm, ws.nextIm);
        if (added <= accuracy.orderTolerance * accuracy.orderTolerance * total) {
            ++order;
            break;
        }
    }
    for (std::size_t x = 0; x < n; ++x) {
        for (std::size_t w = 0; w < n; ++w) {
            incoming[x * n + w] =
                ws.hop[w * n + x] * Complex(ws.sumRe[w * n + x], ws.sumIm[w * n + x]);
        }
    }
    return order;
}

}  // namespace

Result<PlateSolution, PlateError> ThinPlate::solve(const std::vector<PlateDriver>& drivers,
                                                   const std::vector<double>& frequenciesHz) {
    if (drivers.empty()) {
        return PlateError::noDriver;
    }
    if (frequenciesHz.empty() || frequenciesHz.size() > kMaxGridPoints) {
        return PlateError::gridSizeOutOfRange;
    }
    for (double f : frequenciesHz) {
        if (!std::isfinite(f) || f <= 0.0) {
            return PlateError::frequencyNotPositive;
        }
    }
    std::vector<double> frontGains;
    std::vector<double> rearGains;
    for (const auto& d : drivers) {
        if (!std::isfinite(d.position.x) || !std::isfinite(d.position.y) ||
            !std::isfinite(d.frontGain) || !std::isfinite(d.rearLevelDb)) {
            return PlateError::valueNotFinite;
        }
        if (!state_->outline.containsStrictly(d.position)) {
            return PlateError::driverOffPlate;
        }
        frontGains.push_back(d.frontGain);
        rearGains.push_back(d.rearOn ? -d.frontGain * std::pow(10.0, d.rearLevelDb / 20.0) : 0.0);
    }
    auto data = std::make_shared<PlateSolution::Data>(PlateSolution::Data{state_->outline,
                                                                          state_->edges,
                                                                          state_->panelRule,
                                                                          state_->speedOfSound,
                                                                          drivers,
                                                                          frequenciesHz,
                                                                          {},
                                                                          {},
                                                                          {},
                                                                          {},
                                                                          {}});
    std::size_t total = 0;
    std::size_t largest = 0;
    for (double f : frequenciesHz) {
        auto key = pointsPerEdge(state_->edges, state_->accuracy, state_->speedOfSound, f);
        auto& grid = state_->grids[key];
        if (!grid) {
            grid = std::make_shared<const accurate::EdgeGrid>(
                accurate::makeEdgeGrid(state_->edges, key));
        }
        data->grids.push_back(grid);
        data->offsets.push_back(total);
        const auto n = static_cast<std::size_t>(grid->size);
        total += n * n;
        largest = std::max(largest, n);
    }
    data->incomingFront.resize(total);
    data->incomingRear.resize(total);
    Workspace ws;
    ws.reserve(largest);
    const double rearRatio = frontGains[0] == 0.0 ? 0.0 : rearGains[0] / frontGains[0];
    bool proportional = true;
    for (std::size_t j = 0; j < drivers.size(); ++j) {
        if (frontGains[j] == 0.0 || rearGains[j] != rearRatio * frontGains[j]) {
            proportional = false;
        }
    }
    for (std::size_t i = 0; i < frequenciesHz.size(); ++i) {
        const auto& grid = *data->grids[i];
        const auto n = static_cast<std::size_t>(grid.size);
        const double k = 2.0 * kPi * frequenciesHz[i] / state_->speedOfSound;
        for (std::size_t w = 0; w < n; ++w) {
            for (std::size_t x = 0; x < n; ++x) {
                const double d = grid.distance[w * n + x];
                ws.hop[w * n + x] = d > 0.0 ? kLineFactor * grid.weight[w] * green(k, d) : 0.0;
            }
        }
        sourceTerm(grid, drivers, frontGains, state_->edges, k, ws.curRe, ws.curIm);
        data->orders.push_back(
            sumOrders(grid, state_->accuracy, ws, data->incomingFront.data() + data->offsets[i]));
        Complex* rear = data->incomingRear.data() + data->offsets[i];
        if (proportional) {
            // The equation is linear: rear sources in one proportion to the front
            // ones set up edge waves in that proportion.
            const Complex* frontWaves = data->incomingFront.data() + data->offsets[i];
            for (std::size_t j = 0; j < n * n; ++j) {
                rear[j] = rearRatio * frontWaves[j];
            }
        } else {
            sourceTerm(grid, drivers, rearGains, state_->edges, k, ws.curRe, ws.curIm);
            sumOrders(grid, state_->accuracy, ws, rear);
        }
    }
    return PlateSolution(std::move(data));
}

Result<PlateSolution, PlateError> ThinPlate::solve(const std::vector<PlateDriver>& drivers,
                                                   const FrequencyGrid& grid) {
    std::vector<double> f(grid.frequencies().begin(), grid.frequencies().end());
    return solve(drivers, f);
}

Result<PlateResponse, PlateError> ThinPlate::response(const std::vector<PlateDriver>& drivers,
                                                      const std::vector<double>& frequenciesHz,
                                                      SpacePoint listener) {
    auto solution = solve(drivers, frequenciesHz);
    if (!solution) {
        return solution.error();
    }
    return solution->listen(listener);
}

namespace {

struct Parts {
    Complex geometrical, first, higher;
};

// The field at `at` of the front-face sources weighted by `gains`, with the
// edge waves `incoming` they set up.
Parts frontField(const PlateSolution::Data& d, std::size_t i, const std::vector<double>& gains,
                 const Complex* incoming, SpacePoint at) {
    const double k = 2.0 * kPi * d.frequencies[i] / d.speedOfSound;
    Parts parts{};
    for (std::size_t j = 0; j < d.drivers.size(); ++j) {
        if (gains[j] == 0.0) {
            continue;
        }
        const SpacePoint s{d.drivers[j].position.x, d.drivers[j].position.y, 0.0};
        if (at.z > 0.0) {
            // The source and its image in the face merge: twice the direct sound.
            parts.geometrical +=
                2.0 * gains[j] * green(k, std::hypot(at.x - s.x, at.y - s.y, at.z));
        }
        for (const auto& edge : d.edges) {
            parts.first +=
                gains[j] * accurate::firstOrderDiffraction(accurate::edgeCoordinates(edge, s),
                                                           accurate::edgeCoordinates(edge, at),
                                                           edge.length, k, d.panelRule);
        }
    }
    const auto& grid = *d.grids[i];
    const auto n = static_cast<std::size_t>(grid.size);
    Complex higher = 0.0;
    for (std::size_t x = 0; x < n; ++x) {
        const auto& edge = d.edges[static_cast<std::size_t>(grid.edgeOf[x])];
        const accurate::EdgeCoordinates r = accurate::edgeCoordinates(edge, at);
        const double l = std::hypot(r.r, grid.s[x] - r.s);
        const double cosOut = (grid.s[x] - r.s) / l;
        const double sinOut = r.r / l;
        const double a = std::cos(0.5 * r.theta);
        double sumRe = 0.0;
        double sumIm = 0.0;
        const Complex* in = incoming + x * n;
        for (std::size_t w = 0; w < n; ++w) {
            const double sinIn = grid.sinPhi[x * n + w];
            if (sinIn <= 0.0) {
                continue;
            }
            const double beta =
                accurate::faceSourceDirectivity(sinIn, -grid.cosPhi[x * n + w], sinOut, cosOut, a);
            sumRe += beta * in[w].real();
            sumIm += beta * in[w].imag();
        }
        higher += grid.weight[x] * green(k, l) * Complex(sumRe, sumIm);
    }
    parts.higher = kLineFactor * higher;
    return parts;
}

}  // namespace

Result<PlateResponse, PlateError> PlateSolution::listen(SpacePoint listener) const {
    const Data& d = *data_;
    if (!std::isfinite(listener.x) || !std::isfinite(listener.y) || !std::isfinite(listener.z)) {
        return PlateError::valueNotFinite;
    }
    const bool inPlane = listener.z == 0.0;
    if (inPlane && !(!d.outline.containsStrictly({listener.x, listener.y}) && [&] {
            for (const auto& e : d.edges) {
                const auto c = accurate::edgeCoordinates(e, listener);
                if (c.r < 1e-12 && c.s >= 0.0 && c.s <= e.length) {
                    return false;
                }
            }
            return true;
        }())) {
        return PlateError::listenerOnPlate;
    }
    std::vector<double> front;
    std::vector<double> rear;
    for (const auto& driver : d.drivers) {
        front.push_back(driver.frontGain);
        rear.push_back(driver.rearOn ? -driver.frontGain * std::pow(10.0, driver.rearLevelDb / 20.0)
                                     : 0.0);
    }
    PlateResponse out;
    out.frequenciesHz = d.frequencies;
    out.ordersSummed = d.orders;
    const SpacePoint mirror{listener.x, listener.y, -listener.z};
    for (std::size_t i = 0; i < d.frequencies.size(); ++i) {
        const double k = 2.0 * kPi * d.frequencies[i] / d.speedOfSound;
        Complex baffle = 0.0;
        Complex gain = 0.0;
        for (std::size_t j = 0; j < d.drivers.size(); ++j) {
            const double r = std::hypot(listener.x - d.drivers[j].position.x,
                                        listener.y - d.drivers[j].position.y, listener.z);
            baffle += 2.0 * front[j] * green(k, r);
            gain += (front[j] + rear[j]) * green(k, r);
        }
        Parts p{};
        if (inPlane) {
            // In the plane beyond the outline a face source is heard exactly as half
            // of the pair of equal sources on both faces, which the plate does not
            // disturb: its free-field sound.
            p.geometrical = gain;
        } else {
            const Parts f =
                frontField(d, i, front, d.incomingFront.data() + d.offsets[i], listener);
            const Parts r = frontField(d, i, rear, d.incomingRear.data() + d.offsets[i], mirror);
            p = {f.geometrical + r.geometrical, f.first + r.first, f.higher + r.higher};
        }
        out.geometrical.push_back(p.geometrical / baffle);
        out.firstOrder.push_back(p.first / baffle);
        out.higherOrders.push_back(p.higher / baffle);
        out.total.push_back((p.geometrical + p.first + p.higher) / baffle);
    }
    return out;
}

}  // namespace opbaff
