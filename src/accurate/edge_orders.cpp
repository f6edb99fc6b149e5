// The iteration over the orders, forwards and by the transposed operator.
#include "accurate/edge_orders.h"

#include <array>
#include <cmath>

#include "accurate/cos_sin.h"

namespace opbaff::accurate {
namespace {

constexpr float kSmallestF = 1e-30F;

// The waves arriving at the points [x0, x0 + count) from every w, as the order
// step weighs them (4 sqrt(sin phi) times the hop times the edge signal), in
// single precision: per side j and point x0 + b, ws.vRe[(j * kBlock + b) * N + w].
__attribute__((target_clones("avx512f", "avx2", "default"))) void gatherArrivals(
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
__attribute__((target_clones("avx512f", "avx2", "default"))) void receiveAt(
    const accurate::EdgeGrid& grid, std::vector<Signals*>& live, Workspace& ws, std::size_t x,
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

// The adjoint of the order step, for a listener's weights a[x * N + y] (how the
// listener hears the edge signal leaving x towards y, over the orders after it):
// (K^T a)(w -> x) = hop(w -> x) sum over y of the grazing directivity at x
// between w and y times 4 sqrt(sin phi_xy) a(x -> y). The directivity is
// symmetric in w and y, so receiveAt serves for the sum; first the weighted
// rows of [x0, x0 + count), per side j and point x0 + b at
// ws.vRe[(j * kBlock + b) * N + y].
__attribute__((target_clones("avx512f", "avx2", "default"))) void gatherOutgoing(
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

// The next order of every unfinished side, receiving point by receiving point,
// forwards or by the transposed step. Compiled also for AVX2 and AVX-512 and chosen by the
// processor at load time; all give the same sums (no fused multiply-add, the
// same order of operations per element).
void nextOrder(const accurate::EdgeGrid& grid, std::vector<Signals*>& live, Workspace& ws,
               Summed way) {
    const auto n = static_cast<std::size_t>(grid.size);
    for (std::size_t x0 = 0; x0 < n; x0 += kBlock) {
        const std::size_t count = std::min(kBlock, n - x0);
        if (way == Summed::fromSources) {
            gatherArrivals(grid, live, ws, x0, count);
        } else {
            gatherOutgoing(grid, live, ws, x0, count);
        }
        for (std::size_t b = 0; b < count; ++b) {
            receiveAt(grid, live, ws, x0 + b, b);
        }
    }
    if (way == Summed::towardsListener) {
        for (Signals* s : live) {
            hopTransposed(*s, n);
        }
    }
}

// Adds the order just computed to the sum; true once it added less than the
// tolerance (relative). The two norms are summed in kLanes parts, so that the
// loop vectorises.
constexpr std::size_t kLanes = 8;
__attribute__((target_clones("avx512f", "avx2", "default"))) bool addOrder(
    Signals& s, std::size_t n, const PlateAccuracy& accuracy) {
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
__attribute__((target_clones("avx512f", "avx2", "default"))) void arrivingWaves(Signals& s,
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

// hopFactors, compiled also for AVX2 and AVX-512 and chosen by the processor at load time.
__attribute__((target_clones("avx512f", "avx2", "default"))) void hopFactorsOnClones(
    const accurate::EdgeGrid& grid, double k, Complex* hop) {
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

}  // namespace

// hop[w * N + x]: the line factor times w's weight times the Green function from
// w to x, zero between points of one edge. Compiled also for AVX2 and AVX-512 and chosen by the
// processor at load time (the same values: no fused multiply-add).
void hopFactors(const EdgeGrid& grid, double k, Complex* hop) {
    hopFactorsOnClones(grid, k, hop);
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
        nextOrder(grid, live, ws, way);
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

}  // namespace opbaff::accurate
