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
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "accurate/cos_sin.h"
#include "accurate/edge_grid.h"
#include "accurate/first_order.h"
#include "accurate/gauss_legendre.h"
#include "accurate/plate_geometry.h"
#include "accurate/zone_boundary.h"

namespace opbaff {

using accurate::kPi;
using Complex = std::complex<double>;
// The edge waves are kept in single precision, far finer than their convergence.
using Wave = std::complex<float>;

namespace {
constexpr double kNu = 0.5;
constexpr double kLineFactor = -kNu / (4.0 * kPi);  // of the secondary-source integral
constexpr double kBandBaseHz = 100.0;
constexpr int kMaxGridPointsTotal = 256;
// Floors a denominator that is positive wherever its numerator is not zero.
constexpr double kSmallest = 1e-300;
constexpr float kSmallestF = 1e-30F;

Complex green(double k, double r) {
    return std::polar(1.0 / r, -k * r);
}

// One right-hand side of the integral equation: a frequency and the sources on
// one face, with its edge signals order by order.
struct Signals {
    std::vector<float> curRe, curIm, nextRe, nextIm;  // one order
    std::vector<double> sumRe, sumIm;                 // the orders so far
    // [w * N + x]: the line factor, weight and Green function, kept by the plate
    // or computed into ownHop.
    const Complex* hop = nullptr;
    std::vector<Complex> ownHop;
    Wave* incoming = nullptr;
    int order = 1;
    void reserve(std::size_t n, bool withHop) {
        if (sumRe.size() < n * n) {
            for (auto* v : {&curRe, &curIm, &nextRe, &nextIm}) {
                v->resize(n * n);
            }
            sumRe.resize(n * n);
            sumIm.resize(n * n);
        }
        if (withHop && ownHop.size() < n * n) {
            ownHop.resize(n * n);
        }
    }
};

// The hop factors of every frequency of the last solve, kept for the next one
// on the same frequencies (a moved driver), up to kMaxKeptHops values (16 bytes
// each); beyond that each solve computes them again.
constexpr std::size_t kMaxKeptHops = std::size_t{1} << 21;
// Their storage is left uninitialised until the hops are written: a vector of
// complex values would first fill megabytes with zeros.
struct KeptHops {
    std::vector<double> frequencies;
    std::size_t size = 0;               // complex values
    std::unique_ptr<double[]> storage;  // 2 size doubles, per frequency at the offsets
    KeptHops() = default;
    KeptHops(const KeptHops& other)
        : frequencies(other.frequencies),
          size(other.size),
          storage(other.size > 0 ? new double[2 * other.size] : nullptr) {
        std::copy_n(other.storage.get(), 2 * size, storage.get());
    }
    KeptHops& operator=(const KeptHops& other) {
        if (this != &other) {
            KeptHops copy(other);
            *this = std::move(copy);
        }
        return *this;
    }
    KeptHops(KeptHops&&) = default;
    KeptHops& operator=(KeptHops&&) = default;
    ~KeptHops() = default;
    void resize(std::size_t n) {
        if (n != size) {
            storage.reset(new double[2 * n]);
            size = n;
        }
    }
    // std::complex<double> is laid out as two doubles, real part first.
    Complex* values() { return reinterpret_cast<Complex*>(storage.get()); }
};

// Up to this many right-hand sides on one grid share each pass over its operator.
constexpr std::size_t kBatch = 8;
constexpr std::size_t kRows = 4;  // the rows of the directivity applied together
// The receiving points whose arriving waves are gathered together: the edge
// signals are stored by sender, [w * N + x], and read a short row at a time.
constexpr std::size_t kBlock = 16;

struct Workspace {
    std::vector<Signals> sides{kBatch};
    // For one receiving point: kRows rows of the grazing directivity, its
    // factors, the points off the point's edge, and per side the outgoing
    // waves; per side the arriving waves of kBlock receiving points.
    std::vector<float> kernel, rootSin, cosHalf, sinHalf, vRe, vIm, outRe, outIm;
    std::vector<std::size_t> senders;
    // The sides are grown as they are used.
    void reserve(std::size_t n) {
        kernel.resize(kRows * n);
        for (auto* v : {&rootSin, &cosHalf, &sinHalf}) {
            v->resize(n);
        }
        for (auto* v : {&vRe, &vIm}) {
            v->resize(kBatch * kBlock * n);
        }
        for (auto* v : {&outRe, &outIm}) {
            v->resize(kBatch * n);
        }
        senders.reserve(n);
    }
};

}  // namespace

struct ThinPlate::State {
    PlateOutline outline;
    double speedOfSound = 344.0;
    PlateAccuracy accuracy;
    std::vector<accurate::Edge> edges;
    accurate::GaussRule panelRule;
    std::map<std::vector<int>, std::shared_ptr<const accurate::EdgeGrid>> grids;
    Workspace workspace;  // kept between solves, so that it is allocated once
    KeptHops hops;
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
    // Per frequency [w * N + x]: the wave arriving at x from w (all orders), for the
    // drivers' front sources and for their rear sources (as front sources). The
    // rear ones are left empty when they are rearRatio times the front ones.
    std::vector<Wave> incomingFront, incomingRear;
    double rearRatio = 0.0;
    std::vector<int> orders;
};

struct PlateListenerSolution::Data {
    PlateOutline outline;
    std::vector<accurate::Edge> edges;
    accurate::GaussRule panelRule;
    double speedOfSound = 344.0;
    SpacePoint listener;
    std::vector<double> frequencies;
    std::vector<std::shared_ptr<const accurate::EdgeGrid>> grids;  // per frequency
    std::vector<std::size_t> offsets;                              // into the weights
    // Per frequency [x * N + y]: how the listener hears the first-order edge
    // signal leaving x towards y, with every order after it, of sources on the
    // front face and of sources on the rear face (as front sources). Empty in the
    // plane beyond the outline, where the edges are not heard.
    std::vector<Wave> front, rear;
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
    auto edges = accurate::edgesOf(outline);
    auto state = std::make_shared<State>(State{std::move(outline),
                                               speedOfSoundMPerS,
                                               accuracy,
                                               std::move(edges),
                                               accurate::gaussLegendre(6),
                                               {},
                                               {},
                                               {}});
    return ThinPlate(std::move(state));
}

// A copy has its own state: the grids (immutable) are shared, the workspace not.
ThinPlate::ThinPlate(const ThinPlate& other) : state_(std::make_shared<State>(*other.state_)) {}

ThinPlate& ThinPlate::operator=(const ThinPlate& other) {
    if (this != &other) {
        state_ = std::make_shared<State>(*other.state_);
    }
    return *this;
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

// The half-octave band of frequency f, counted from kBandBaseHz (0 below it).
int bandOf(double f) {
    return std::max(0, static_cast<int>(std::ceil(2.0 * std::log2(f / kBandBaseHz))));
}

// The points per edge for frequency f: a few per wavelength at the top of f's
// half-octave band, never fewer than the floor.
std::vector<int> pointsPerEdge(const std::vector<accurate::Edge>& edges, const PlateAccuracy& a,
                               double c, double f) {
    const int band = bandOf(f);
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
        if (gains[i] == 0.0) {
            continue;
        }
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
            const double* rootSin = grid.rootSin.data() + x * n;
            const double* cosHalf = grid.cosHalf.data() + x * n;
            const double* sinHalf = grid.sinHalf.data() + x * n;
            double* outRe = re.data() + x * n;
            double* outIm = im.data() + x * n;
            for (std::size_t y = 0; y < n; ++y) {
                // Zero on x's own edge, where rootSin is.
                const double cosDiff =
                    std::max(cosHalf[y] * cosHalfS + sinHalf[y] * sinHalfS, kSmallest);
                const double beta = 4.0 * rootSinS * rootSin[y] / cosDiff;
                outRe[y] += beta * g.real();
                outIm[y] += beta * g.imag();
            }
        }
    }
}

// The waves arriving at the points [x0, x0 + count) from every w, as the order
// step weighs them (4 sqrt(sin phi) times the hop times the edge signal), in
// single precision: per side j and point x0 + b, ws.vRe[(j * kBlock + b) * N + w].
__attribute__((target_clones("avx2", "default"))) void gatherArrivals(
    const accurate::EdgeGrid& grid, const std::vector<Signals*>& live, Workspace& ws,
    std::size_t x0, std::size_t count) {
    const auto n = static_cast<std::size_t>(grid.size);
    // Through a tile of kBlock senders by kBlock receivers: read along the rows
    // of the signals, written along the rows of the arrivals.
    std::array<std::array<double, kBlock>, kBlock> tileRe{};
    std::array<std::array<double, kBlock>, kBlock> tileIm{};
    for (std::size_t j = 0; j < live.size(); ++j) {
        const Signals& s = *live[j];
        float* vRe = ws.vRe.data() + j * kBlock * n;
        float* vIm = ws.vIm.data() + j * kBlock * n;
        for (std::size_t w0 = 0; w0 < n; w0 += kBlock) {
            const std::size_t senders = std::min(kBlock, n - w0);
            for (std::size_t q = 0; q < senders; ++q) {
                const std::size_t w = w0 + q;
                // std::complex<double> is laid out as two doubles, real part first;
                // the product written out (std::complex's checks for infinities).
                const auto* hop = reinterpret_cast<const double*>(s.hop + w * n + x0);
                const float* cRe = s.curRe.data() + w * n + x0;
                const float* cIm = s.curIm.data() + w * n + x0;
                for (std::size_t b = 0; b < count; ++b) {
                    const double hr = hop[2 * b];
                    const double hi = hop[2 * b + 1];
                    const double cr = cRe[b];
                    const double ci = cIm[b];
                    tileRe[q][b] = hr * cr - hi * ci;
                    tileIm[q][b] = hr * ci + hi * cr;
                }
            }
            for (std::size_t b = 0; b < count; ++b) {
                const double* rootSin = grid.rootSin.data() + (x0 + b) * n + w0;
                float* outRe = vRe + b * n + w0;
                float* outIm = vIm + b * n + w0;
                for (std::size_t q = 0; q < senders; ++q) {
                    const double scale = 4.0 * rootSin[q];
                    outRe[q] = static_cast<float>(scale * tileRe[q][b]);
                    outIm[q] = static_cast<float>(scale * tileIm[q][b]);
                }
            }
        }
    }
}

// The next order of every unfinished side at the receiving point x (its
// arriving waves gathered at row b): next(x -> y) = sum over w of the grazing
// directivity at x from w towards y times the wave arriving at x from w. The
// points y of x's own edge get nothing (the directivity is zero there), so the
// rows run over the m = N - n_e others only, counted c with y = c below the
// edge's first point and c + n_e above it.
__attribute__((target_clones("avx2", "default"))) void receiveAt(const accurate::EdgeGrid& grid,
                                                                 std::vector<Signals*>& live,
                                                                 Workspace& ws, std::size_t x,
                                                                 std::size_t b) {
    const auto n = static_cast<std::size_t>(grid.size);
    const auto edge = static_cast<std::size_t>(grid.edgeOf[x]);
    const auto lo = static_cast<std::size_t>(grid.firstPoint[edge]);
    const auto own = static_cast<std::size_t>(grid.pointsPerEdge[edge]);
    const std::size_t m = n - own;
    float* rootSin = ws.rootSin.data();
    float* cosHalf = ws.cosHalf.data();
    float* sinHalf = ws.sinHalf.data();
    for (std::size_t c = 0; c < m; ++c) {
        const std::size_t y = c < lo ? c : c + own;
        rootSin[c] = static_cast<float>(grid.rootSin[x * n + y]);
        cosHalf[c] = static_cast<float>(grid.cosHalf[x * n + y]);
        sinHalf[c] = static_cast<float>(grid.sinHalf[x * n + y]);
    }
    // The points that send waves to x: those off its own edge.
    ws.senders.clear();
    for (std::size_t w = 0; w < n; ++w) {
        if (grid.rootSin[x * n + w] != 0.0) {
            ws.senders.push_back(w);
        }
    }
    for (std::size_t j = 0; j < live.size(); ++j) {
        std::fill_n(ws.outRe.data() + j * n, m, 0.0F);
        std::fill_n(ws.outIm.data() + j * n, m, 0.0F);
    }
    // kRows senders at a time: their rows of the directivity, then each side's
    // outgoing waves loaded and stored once for them. Single precision: its
    // rounding stays far below the tolerance of the sum.
    for (std::size_t first = 0; first < ws.senders.size(); first += kRows) {
        const std::size_t rows = std::min(kRows, ws.senders.size() - first);
        std::array<std::size_t, kRows> from{};
        for (std::size_t r = 0; r < kRows; ++r) {
            from[r] = ws.senders[first + std::min(r, rows - 1)];
            float* kernel = ws.kernel.data() + r * n;
            if (r >= rows) {
                std::fill_n(kernel, m, 0.0F);
                continue;
            }
            const auto w = from[r];
            const float cw = static_cast<float>(grid.cosHalf[x * n + w]);
            const float sw = static_cast<float>(grid.sinHalf[x * n + w]);
            for (std::size_t c = 0; c < m; ++c) {
                kernel[c] = rootSin[c] / std::max(cw * cosHalf[c] + sw * sinHalf[c], kSmallestF);
            }
        }
        const float* k0 = ws.kernel.data();
        const float* k1 = k0 + n;
        const float* k2 = k1 + n;
        const float* k3 = k2 + n;
        for (std::size_t j = 0; j < live.size(); ++j) {
            const float* vr = ws.vRe.data() + (j * kBlock + b) * n;
            const float* vi = ws.vIm.data() + (j * kBlock + b) * n;
            const float r0 = vr[from[0]], r1 = vr[from[1]], r2 = vr[from[2]], r3 = vr[from[3]];
            const float i0 = vi[from[0]], i1 = vi[from[1]], i2 = vi[from[2]], i3 = vi[from[3]];
            float* outRe = ws.outRe.data() + j * n;
            float* outIm = ws.outIm.data() + j * n;
            for (std::size_t c = 0; c < m; ++c) {
                outRe[c] += k0[c] * r0 + k1[c] * r1 + k2[c] * r2 + k3[c] * r3;
                outIm[c] += k0[c] * i0 + k1[c] * i1 + k2[c] * i2 + k3[c] * i3;
            }
        }
    }
    for (std::size_t j = 0; j < live.size(); ++j) {
        float* nextRe = live[j]->nextRe.data() + x * n;
        float* nextIm = live[j]->nextIm.data() + x * n;
        const float* outRe = ws.outRe.data() + j * n;
        const float* outIm = ws.outIm.data() + j * n;
        std::copy_n(outRe, lo, nextRe);
        std::copy_n(outIm, lo, nextIm);
        std::fill_n(nextRe + lo, own, 0.0F);
        std::fill_n(nextIm + lo, own, 0.0F);
        std::copy_n(outRe + lo, m - lo, nextRe + lo + own);
        std::copy_n(outIm + lo, m - lo, nextIm + lo + own);
    }
}

// The next order of every unfinished side, receiving point by receiving point.
// Compiled also for AVX2 and chosen by the processor at load time; the two give
// the same sums (no fused multiply-add, the same order of operations per element).
void nextOrder(const accurate::EdgeGrid& grid, std::vector<Signals*>& live, Workspace& ws) {
    const auto n = static_cast<std::size_t>(grid.size);
    for (std::size_t x0 = 0; x0 < n; x0 += kBlock) {
        const std::size_t count = std::min(kBlock, n - x0);
        gatherArrivals(grid, live, ws, x0, count);
        for (std::size_t b = 0; b < count; ++b) {
            receiveAt(grid, live, ws, x0 + b, b);
        }
    }
}

// The adjoint of the order step, for a listener's weights a[x * N + y] (how the
// listener hears the edge signal leaving x towards y, over the orders after it):
// (K^T a)(w -> x) = hop(w -> x) sum over y of the grazing directivity at x
// between w and y times 4 sqrt(sin phi_xy) a(x -> y). The directivity is
// symmetric in w and y, so receiveAt serves for the sum; first the weighted
// rows of [x0, x0 + count), per side j and point x0 + b at
// ws.vRe[(j * kBlock + b) * N + y].
__attribute__((target_clones("avx2", "default"))) void gatherOutgoing(
    const accurate::EdgeGrid& grid, const std::vector<Signals*>& live, Workspace& ws,
    std::size_t x0, std::size_t count) {
    const auto n = static_cast<std::size_t>(grid.size);
    for (std::size_t j = 0; j < live.size(); ++j) {
        const Signals& s = *live[j];
        for (std::size_t b = 0; b < count; ++b) {
            const double* rootSin = grid.rootSin.data() + (x0 + b) * n;
            const float* cRe = s.curRe.data() + (x0 + b) * n;
            const float* cIm = s.curIm.data() + (x0 + b) * n;
            float* outRe = ws.vRe.data() + (j * kBlock + b) * n;
            float* outIm = ws.vIm.data() + (j * kBlock + b) * n;
            for (std::size_t y = 0; y < n; ++y) {
                const double scale = 4.0 * rootSin[y];
                outRe[y] = static_cast<float>(scale * cRe[y]);
                outIm[y] = static_cast<float>(scale * cIm[y]);
            }
        }
    }
}

// Then, with t[x * N + w] the sums receiveAt left in next: next[w * N + x] =
// hop[w * N + x] t[x * N + w], in place, a pair of mirror entries at a time.
void hopTransposed(Signals& s, std::size_t n) {
    // std::complex<double> is laid out as two doubles, real part first.
    const auto* hop = reinterpret_cast<const double*>(s.hop);
    float* re = s.nextRe.data();
    float* im = s.nextIm.data();
    for (std::size_t w = 0; w < n; ++w) {
        for (std::size_t x = w; x < n; ++x) {
            const std::size_t p = w * n + x;
            const std::size_t q = x * n + w;
            const double tr = re[q];
            const double ti = im[q];
            const double ur = re[p];
            const double ui = im[p];
            re[p] = static_cast<float>(hop[2 * p] * tr - hop[2 * p + 1] * ti);
            im[p] = static_cast<float>(hop[2 * p] * ti + hop[2 * p + 1] * tr);
            re[q] = static_cast<float>(hop[2 * q] * ur - hop[2 * q + 1] * ui);
            im[q] = static_cast<float>(hop[2 * q] * ui + hop[2 * q + 1] * ur);
        }
    }
}

void nextAdjointOrder(const accurate::EdgeGrid& grid, std::vector<Signals*>& live, Workspace& ws) {
    const auto n = static_cast<std::size_t>(grid.size);
    for (std::size_t x0 = 0; x0 < n; x0 += kBlock) {
        const std::size_t count = std::min(kBlock, n - x0);
        gatherOutgoing(grid, live, ws, x0, count);
        for (std::size_t b = 0; b < count; ++b) {
            receiveAt(grid, live, ws, x0 + b, b);
        }
    }
    for (Signals* s : live) {
        hopTransposed(*s, n);
    }
}

// hop[w * N + x]: the line factor times w's weight times the Green function from
// w to x, zero between points of one edge. Compiled also for AVX2 and chosen by the
// processor at load time (the same values: no fused multiply-add).
__attribute__((target_clones("avx2", "default"))) void hopFactors(const accurate::EdgeGrid& grid,
                                                                  double k, Complex* hop) {
    const auto n = static_cast<std::size_t>(grid.size);
    // std::complex<double> is laid out as two doubles, real part first.
    auto* out = reinterpret_cast<double*>(hop);
    for (std::size_t w = 0; w < n; ++w) {
        const double factor = kLineFactor * grid.weight[w];
        const double* distance = grid.distance.data() + w * n;
        double* row = out + 2 * w * n;
        for (std::size_t x = 0; x < n; ++x) {
            const double d = distance[x];
            const double safe = d > 0.0 ? d : 1.0;
            const double g = d > 0.0 ? factor / safe : 0.0;
            const accurate::CosSin e = accurate::cosSin(k * safe);
            row[2 * x] = g * e.c;
            row[2 * x + 1] = -g * e.s;
        }
    }
}

// Adds the order just computed to the sum; true once it added less than the
// tolerance (relative). The two norms are summed in kLanes parts, so that the
// loop vectorises.
constexpr std::size_t kLanes = 8;
__attribute__((target_clones("avx2", "default"))) bool addOrder(Signals& s, std::size_t n,
                                                                const PlateAccuracy& accuracy) {
    std::array<double, kLanes> added{};
    std::array<double, kLanes> total{};
    double* sumRe = s.sumRe.data();
    double* sumIm = s.sumIm.data();
    const float* nextRe = s.nextRe.data();
    const float* nextIm = s.nextIm.data();
    const std::size_t count = n * n;
    const std::size_t whole = count - count % kLanes;
    const auto addOne = [&](std::size_t i, std::size_t lane) {
        const double re = nextRe[i];
        const double im = nextIm[i];
        sumRe[i] += re;
        sumIm[i] += im;
        added[lane] += re * re + im * im;
        total[lane] += sumRe[i] * sumRe[i] + sumIm[i] * sumIm[i];
    };
    for (std::size_t i = 0; i < whole; i += kLanes) {
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            addOne(i + lane, lane);
        }
    }
    for (std::size_t i = whole; i < count; ++i) {
        addOne(i, 0);
    }
    double addedSum = 0.0;
    double totalSum = 0.0;
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
        addedSum += added[lane];
        totalSum += total[lane];
    }
    std::swap(s.curRe, s.nextRe);
    std::swap(s.curIm, s.nextIm);
    return addedSum <= accuracy.orderTolerance * accuracy.orderTolerance * totalSum;
}

// The waves arriving from w at x, hop times edge signal, [w * N + x]: in the
// order the signals are kept, so that the loop vectorises.
__attribute__((target_clones("avx2", "default"))) void arrivingWaves(Signals& s,
                                                                     std::size_t count) {
    // std::complex is laid out as its real part, then its imaginary part.
    const auto* hop = reinterpret_cast<const double*>(s.hop);
    auto* out = reinterpret_cast<float*>(s.incoming);
    const double* sumRe = s.sumRe.data();
    const double* sumIm = s.sumIm.data();
    for (std::size_t i = 0; i < count; ++i) {
        const double hr = hop[2 * i];
        const double hi = hop[2 * i + 1];
        out[2 * i] = static_cast<float>(hr * sumRe[i] - hi * sumIm[i]);
        out[2 * i + 1] = static_cast<float>(hr * sumIm[i] + hi * sumRe[i]);
    }
}

// Which way the orders are summed: from the sources' first-order edge signals
// (leaving in `incoming` the waves arriving at x from w, [w * N + x]), or
// backwards from a listener's weights (leaving the summed weights themselves).
enum class Summed { fromSources, towardsListener };

// Sums the orders of the edge-source integral equation by iteration for the
// sides in `batch` (all on `grid`, their first term in sumRe/sumIm), and leaves
// the result in their `incoming`, the highest order summed in their `order`.
void sumOrders(const accurate::EdgeGrid& grid, const PlateAccuracy& accuracy,
               std::vector<Signals*>& batch, Workspace& ws, Summed way) {
    const auto n = static_cast<std::size_t>(grid.size);
    std::vector<Signals*> live;
    for (Signals* s : batch) {
        for (std::size_t i = 0; i < n * n; ++i) {
            s->curRe[i] = static_cast<float>(s->sumRe[i]);
            s->curIm[i] = static_cast<float>(s->sumIm[i]);
        }
        s->order = accuracy.maxOrder;
        live.push_back(s);
    }
    for (int order = 1; order < accuracy.maxOrder && !live.empty(); ++order) {
        if (way == Summed::fromSources) {
            nextOrder(grid, live, ws);
        } else {
            nextAdjointOrder(grid, live, ws);
        }
        std::erase_if(live, [&](Signals* s) {
            if (!addOrder(*s, n, accuracy)) {
                return false;
            }
            s->order = order + 1;
            return true;
        });
    }
    for (Signals* s : batch) {
        if (way == Summed::fromSources) {
            arrivingWaves(*s, n * n);
        } else {
            for (std::size_t i = 0; i < n * n; ++i) {
                s->incoming[i] =
                    Wave(static_cast<float>(s->sumRe[i]), static_cast<float>(s->sumIm[i]));
            }
        }
    }
}

// One right-hand side to solve: a frequency and what sets up its first term
// (the gains of the sources on a face, or which face a listener's weights are
// for), with where its result and its orders go.
struct Job {
    std::size_t frequency;
    const std::vector<double>* gains;  // sources; null for a listener's weights
    bool rearFace;                     // a listener's weights for rear-face sources
    Wave* incoming;
    int* order;
};

// The edge grids of a set of frequencies, with the offsets of their pair values.
struct FrequencyGrids {
    std::vector<std::shared_ptr<const accurate::EdgeGrid>> grids;  // per frequency
    std::vector<std::size_t> offsets;
    std::size_t total = 0;    // pair values over all frequencies
    std::size_t largest = 0;  // points of the largest grid
};

std::optional<PlateError> checkFrequencies(const std::vector<double>& frequenciesHz) {
    if (frequenciesHz.empty() || frequenciesHz.size() > kMaxGridPoints) {
        return PlateError::gridSizeOutOfRange;
    }
    for (double f : frequenciesHz) {
        if (!std::isfinite(f) || f <= 0.0) {
            return PlateError::frequencyNotPositive;
        }
    }
    return std::nullopt;
}

// Within a nanometre of the plane, rounding decides the faces' zones (the
// geometrical sound's boundary on z's sign, the edge waves' apex terms on z's
// size) inconsistently, as at the 1.2e-16 m that a listening angle of 90
// degrees gives: such a listener is heard a nanometre off the plane on its own
// side, where the response has reached its limit at the plane. A listener on
// the plate itself, or on its border, is refused.
Result<SpacePoint, PlateError> checkListener(const PlateOutline& outline,
                                             const std::vector<accurate::Edge>& edges,
                                             SpacePoint listener) {
    if (!std::isfinite(listener.x) || !std::isfinite(listener.y) || !std::isfinite(listener.z)) {
        return PlateError::valueNotFinite;
    }
    constexpr double kPlaneSnapM = 1e-9;
    if (listener.z != 0.0 && std::abs(listener.z) < kPlaneSnapM) {
        listener.z = std::copysign(kPlaneSnapM, listener.z);
    }
    if (listener.z != 0.0) {
        return listener;
    }
    if (outline.containsStrictly({listener.x, listener.y})) {
        return PlateError::listenerOnPlate;
    }
    for (const auto& e : edges) {
        const auto c = accurate::edgeCoordinates(e, listener);
        if (c.r < 1e-12 && c.s >= 0.0 && c.s <= e.length) {
            return PlateError::listenerOnPlate;
        }
    }
    return listener;
}

// The gains of the drivers' front-face and rear-face sources.
struct FaceGains {
    std::vector<double> front, rear;
};

Result<FaceGains, PlateError> faceGains(const PlateOutline& outline,
                                        const std::vector<PlateDriver>& drivers) {
    if (drivers.empty()) {
        return PlateError::noDriver;
    }
    FaceGains g;
    for (const auto& d : drivers) {
        if (!std::isfinite(d.position.x) || !std::isfinite(d.position.y) ||
            !std::isfinite(d.frontGain) || !std::isfinite(d.rearLevelDb)) {
            return PlateError::valueNotFinite;
        }
        if (!outline.containsStrictly(d.position)) {
            return PlateError::driverOffPlate;
        }
        g.front.push_back(d.frontGain);
        g.rear.push_back(d.rearOn ? -d.frontGain * std::pow(10.0, d.rearLevelDb / 20.0) : 0.0);
    }
    return g;
}

// What the solves of one plate share: its grids, its hop factors and its
// workspace, and the loop over batches of right-hand sides.
struct PlateSolver {
    ThinPlate::State& state;

    FrequencyGrids gridsOf(const std::vector<double>& frequenciesHz) const {
        FrequencyGrids out;
        for (double f : frequenciesHz) {
            auto key = pointsPerEdge(state.edges, state.accuracy, state.speedOfSound, f);
            auto& grid = state.grids[key];
            if (!grid) {
                grid = std::make_shared<const accurate::EdgeGrid>(
                    accurate::makeEdgeGrid(state.edges, key));
            }
            out.grids.push_back(grid);
            out.offsets.push_back(out.total);
            const auto n = static_cast<std::size_t>(grid->size);
            out.total += n * n;
            out.largest = std::max(out.largest, n);
        }
        return out;
    }

    double wavenumber(double f) const { return 2.0 * kPi * f / state.speedOfSound; }

    // Solves the jobs, `firstTerm(job, grid, k, hop, side)` setting up each
    // side's sumRe/sumIm, frequencies on one grid together (each pass over its
    // operator serving a batch of them).
    template <typename FirstTerm>
    void run(const std::vector<double>& frequenciesHz, const FrequencyGrids& fg,
             std::vector<Job>& jobs, Summed way, FirstTerm firstTerm) {
        std::stable_sort(jobs.begin(), jobs.end(), [&](const Job& a, const Job& b) {
            return std::less<>()(fg.grids[a.frequency].get(), fg.grids[b.frequency].get());
        });
        const auto batchEnd = [&](std::size_t first) {
            std::size_t end = first;
            while (end < jobs.size() && end - first < kBatch &&
                   fg.grids[jobs[end].frequency] == fg.grids[jobs[first].frequency]) {
                ++end;
            }
            return end;
        };
        Workspace& ws = state.workspace;
        ws.reserve(fg.largest);
        // Each side grown once, to the largest grid it serves.
        std::array<std::size_t, kBatch> sideSize{};
        for (std::size_t first = 0; first < jobs.size(); first = batchEnd(first)) {
            for (std::size_t j = 0; j < batchEnd(first) - first; ++j) {
                sideSize[j] = std::max(
                    sideSize[j], static_cast<std::size_t>(fg.grids[jobs[first].frequency]->size));
            }
        }
        // The hop factors depend on the outline and the frequency only.
        KeptHops& kept = state.hops;
        const bool keep = fg.total <= kMaxKeptHops;
        if (!keep) {
            kept = {};
        } else if (kept.frequencies != frequenciesHz) {
            kept.resize(fg.total);
            for (std::size_t i = 0; i < frequenciesHz.size(); ++i) {
                hopFactors(*fg.grids[i], wavenumber(frequenciesHz[i]),
                           kept.values() + fg.offsets[i]);
            }
            kept.frequencies = frequenciesHz;
        }
        for (std::size_t j = 0; j < kBatch; ++j) {
            ws.sides[j].reserve(sideSize[j], !keep);
        }
        std::vector<Signals*> batch;
        for (std::size_t first = 0; first < jobs.size();) {
            const auto& grid = *fg.grids[jobs[first].frequency];
            batch.clear();
            const std::size_t end = batchEnd(first);
            for (std::size_t j = first; j < end; ++j) {
                const Job& job = jobs[j];
                Signals& side = ws.sides[j - first];
                const double k = wavenumber(frequenciesHz[job.frequency]);
                if (keep) {
                    side.hop = kept.values() + fg.offsets[job.frequency];
                } else {
                    hopFactors(grid, k, side.ownHop.data());
                    side.hop = side.ownHop.data();
                }
                firstTerm(job, grid, k, side);
                side.incoming = job.incoming;
                batch.push_back(&side);
            }
            sumOrders(grid, state.accuracy, batch, ws, way);
            for (std::size_t j = first; j < end; ++j) {
                *jobs[j].order = ws.sides[j - first].order;
            }
            first = end;
        }
    }
};

}  // namespace

Result<PlateSolution, PlateError> ThinPlate::solve(const std::vector<PlateDriver>& drivers,
                                                   const std::vector<double>& frequenciesHz) {
    if (drivers.empty()) {
        return PlateError::noDriver;
    }
    if (auto bad = checkFrequencies(frequenciesHz)) {
        return *bad;
    }
    auto gains = faceGains(state_->outline, drivers);
    if (!gains) {
        return gains.error();
    }
    const std::vector<double>& frontGains = gains->front;
    const std::vector<double>& rearGains = gains->rear;
    PlateSolver solver{*state_};
    FrequencyGrids fg = solver.gridsOf(frequenciesHz);
    auto data = std::make_shared<PlateSolution::Data>(PlateSolution::Data{state_->outline,
                                                                          state_->edges,
                                                                          state_->panelRule,
                                                                          state_->speedOfSound,
                                                                          drivers,
                                                                          frequenciesHz,
                                                                          fg.grids,
                                                                          fg.offsets,
                                                                          {},
                                                                          {},
                                                                          0.0,
                                                                          {}});
    data->incomingFront.resize(fg.total);
    data->orders.assign(frequenciesHz.size(), 1);
    const double rearRatio = frontGains[0] == 0.0 ? 0.0 : rearGains[0] / frontGains[0];
    bool proportional = true;
    for (std::size_t j = 0; j < drivers.size(); ++j) {
        if (frontGains[j] == 0.0 || rearGains[j] != rearRatio * frontGains[j]) {
            proportional = false;
        }
    }
    // The equation is linear: rear sources in one proportion to the front ones set
    // up edge waves in that proportion, and need no solve of their own.
    std::vector<Job> jobs;
    std::vector<int> rearOrders(frequenciesHz.size());
    if (proportional) {
        data->rearRatio = rearRatio;
    } else {
        data->incomingRear.resize(fg.total);
    }
    for (std::size_t i = 0; i < frequenciesHz.size(); ++i) {
        jobs.push_back(
            {i, &frontGains, false, data->incomingFront.data() + fg.offsets[i], &data->orders[i]});
        if (!proportional) {
            jobs.push_back(
                {i, &rearGains, true, data->incomingRear.data() + fg.offsets[i], &rearOrders[i]});
        }
    }
    solver.run(frequenciesHz, fg, jobs, Summed::fromSources,
               [&](const Job& job, const accurate::EdgeGrid& grid, double k, Signals& side) {
                   sourceTerm(grid, drivers, *job.gains, state_->edges, k, side.sumRe, side.sumIm);
               });
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

// How the listener and its mirror image hear the edge points of one grid, for
// every frequency on that grid: per point the distance, per pair [w * N + x] the
// directivity of the edge source at x for the wave from w towards the listener
// (front) and towards the mirror (rear; folded into front, times the rear ratio,
// when the rear waves are proportional to the front ones).
struct EdgeView {
    const accurate::EdgeGrid* grid = nullptr;
    std::vector<double> distance, front, rear;
    // Per point: the direction to the listener and cos(theta / 2) of the
    // listener and of its mirror image.
    std::vector<double> cosOut, sinOut, a, aMirror;
    std::vector<double> sumRe, sumIm;  // per point, for one frequency
};

// One row w of the listener's directivities: the edge source at every x for the
// wave from w (sinIn, cosIn of the direction x -> w, seen from x's edge). Folded
// (rear null): front + rearRatio times rear. With sinh^2(eta / 2) = Q / P,
// Q = 1 + cosIn cosOut - sinIn sinOut and P = 2 sinIn sinOut (faceSourceSinh2),
// the directivity 4 a cosh(eta / 2) / (sinh^2(eta / 2) + a^2) is
// 4 a sqrt(P (P + Q)) / (Q + a^2 P): one square root for both, one division
// each or one for the folded sum. Zero from the points of x's own edge (sinIn
// 0), branch-free, so that the loop vectorises.
__attribute__((target_clones("avx2", "default"))) void directivityRow(
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

// Adds to sums[x] the directivity times the wave arriving at x, over all w:
// point by point in the order of w, each point's sum apart, so that it vectorises.
__attribute__((target_clones("avx2", "default"))) void addArriving(const double* beta,
                                                                   const Wave* in, std::size_t n,
                                                                   double* sumRe, double* sumIm) {
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

// The higher orders heard on `view` at frequency i: the edge sources of the waves
// arriving at every edge point.
Complex higherField(const PlateSolution::Data& d, std::size_t i, EdgeView& view) {
    const double k = 2.0 * kPi * d.frequencies[i] / d.speedOfSound;
    const auto& grid = *view.grid;
    const auto n = static_cast<std::size_t>(grid.size);
    std::fill_n(view.sumRe.begin(), n, 0.0);
    std::fill_n(view.sumIm.begin(), n, 0.0);
    addArriving(view.front.data(), d.incomingFront.data() + d.offsets[i], n, view.sumRe.data(),
                view.sumIm.data());
    if (!d.incomingRear.empty()) {
        addArriving(view.rear.data(), d.incomingRear.data() + d.offsets[i], n, view.sumRe.data(),
                    view.sumIm.data());
    }
    Complex higher = 0.0;
    for (std::size_t x = 0; x < n; ++x) {
        const double l = view.distance[x];
        const accurate::CosSin e = accurate::cosSin(k * l);
        higher += (grid.weight[x] / l) * Complex(e.c, -e.s) * Complex(view.sumRe[x], view.sumIm[x]);
    }
    return kLineFactor * higher;
}

// Sized for grids of up to n points; rear only when not folded.
void reserveView(EdgeView& view, std::size_t n, bool withRear) {
    for (auto* v : {&view.distance, &view.sumRe, &view.sumIm, &view.cosOut, &view.sinOut, &view.a,
                    &view.aMirror}) {
        v->resize(n);
    }
    view.front.resize(n * n);
    view.rear.resize(withRear ? n * n : 0);
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
    const Scene scene{d.edges, d.panelRule, d.speedOfSound, d.frequencies, d.drivers};
    return hearAt(scene, *gains, *listener, d.orders, [&](std::size_t i) {
        if (view.grid != d.grids[i].get()) {
            viewEdges(d.edges, *d.grids[i], *listener, folded, d.rearRatio, view);
        }
        return higherField(d, i, view);
    });
}

namespace {

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

// How the listener hears, through its weights, the edge signals of unit
// sources at s on both faces (frontGain and rearGain of them): the sum over the
// pairs of edge points of the weights times the first-order edge signals that
// sourceTerm gives. Per point x the pairs are summed in their order, apart from
// the others, so that the loop vectorises.
__attribute__((target_clones("avx2", "default"))) Complex heardThroughEdges(
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

Result<PlateListenerSolution, PlateError> ThinPlate::solveForListener(
    SpacePoint at, const std::vector<double>& frequenciesHz) {
    if (auto bad = checkFrequencies(frequenciesHz)) {
        return *bad;
    }
    const auto listener = checkListener(state_->outline, state_->edges, at);
    if (!listener) {
        return listener.error();
    }
    PlateSolver solver{*state_};
    FrequencyGrids fg = solver.gridsOf(frequenciesHz);
    auto data = std::make_shared<PlateListenerSolution::Data>(
        PlateListenerSolution::Data{state_->outline,
                                    state_->edges,
                                    state_->panelRule,
                                    state_->speedOfSound,
                                    *listener,
                                    frequenciesHz,
                                    fg.grids,
                                    fg.offsets,
                                    {},
                                    {},
                                    std::vector<int>(frequenciesHz.size(), 1)});
    if (listener->z == 0.0) {
        return PlateListenerSolution(std::move(data));  // the edges are not heard there
    }
    data->front.resize(fg.total);
    data->rear.resize(fg.total);
    std::vector<int> rearOrders(frequenciesHz.size(), 1);
    std::vector<Job> jobs;
    for (std::size_t i = 0; i < frequenciesHz.size(); ++i) {
        jobs.push_back({i, nullptr, false, data->front.data() + fg.offsets[i], &data->orders[i]});
        jobs.push_back({i, nullptr, true, data->rear.data() + fg.offsets[i], &rearOrders[i]});
    }
    EdgeView view;
    reserveView(view, fg.largest, true);
    solver.run(frequenciesHz, fg, jobs, Summed::towardsListener,
               [&](const Job& job, const accurate::EdgeGrid& grid, double k, Signals& side) {
                   if (view.grid != &grid) {
                       viewEdges(state_->edges, grid, *listener, false, 0.0, view);
                   }
                   listenerTerm(grid, view, job.rearFace ? view.rear.data() : view.front.data(), k,
                                side.hop, side.sumRe, side.sumIm);
               });
    for (std::size_t i = 0; i < frequenciesHz.size(); ++i) {
        data->orders[i] = std::max(data->orders[i], rearOrders[i]);
    }
    return PlateListenerSolution(std::move(data));
}

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
