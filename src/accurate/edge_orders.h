// The orders of the edge-source integral equation (Asheim and Svensson, J.
// Acoust. Soc. Am. 133(6), 2013) summed by iteration on one edge grid: forwards
// from the sources' first-order edge signals, or backwards from a listener's
// weights by the transposed operator, which by reciprocity gives the same sum
// heard at that listener for any sources.
//
// Edge signals are kept per pair of edge points, [x * N + y] for the signal
// leaving x towards y, the hop factors [w * N + x] for the path from w to x.
#pragma once

#include <algorithm>
#include <complex>
#include <cstddef>
#include <memory>
#include <vector>

#include "accurate/edge_grid.h"
#include "accurate/plate_geometry.h"
#include "opbaff/thin_plate.h"

namespace opbaff::accurate {

using Complex = std::complex<double>;
// The edge waves are kept in single precision, far finer than their convergence.
using Wave = std::complex<float>;

constexpr double kNu = 0.5;
constexpr double kLineFactor = -kNu / (4.0 * kPi);  // of the secondary-source integral
// Floors a denominator that is positive wherever its numerator is not zero.
constexpr double kSmallest = 1e-300;

// The free-field Green function without its 4 pi, time factor exp(+jwt).
inline Complex green(double k, double r) {
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

// Which way the orders are summed: from the sources' first-order edge signals
// (leaving in `incoming` the waves arriving at x from w, [w * N + x]), or
// backwards from a listener's weights (leaving the summed weights themselves).
enum class Summed { fromSources, towardsListener };

// The first-order edge sources of unit front-face sources (weighted by `gains`)
// towards every other edge point: u1(x -> y) = sum g beta00(S, x, y) G(S, x).
void sourceTerm(const accurate::EdgeGrid& grid, const std::vector<PlateDriver>& drivers,
                const std::vector<double>& gains, const std::vector<accurate::Edge>& edges,
                double k, std::vector<double>& re, std::vector<double>& im);

// hop[w * N + x]: the line factor times w's weight times the Green function from
// w to x, zero between points of one edge. Compiled also for AVX2 and chosen by the
// processor at load time (the same values: no fused multiply-add).
void hopFactors(const EdgeGrid& grid, double k, Complex* hop);

// Sums the orders of the edge-source integral equation by iteration for the
// sides in `batch` (all on `grid`, their first term in sumRe/sumIm), and leaves
// the result in their `incoming`, the highest order summed in their `order`.
void sumOrders(const EdgeGrid& grid, const PlateAccuracy& accuracy, std::vector<Signals*>& batch,
               Workspace& ws, Summed way);

}  // namespace opbaff::accurate
