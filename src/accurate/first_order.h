// First-order diffraction of a source on the front face at one thin edge.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include "accurate/gauss_legendre.h"
#include "accurate/plate_geometry.h"

namespace opbaff::accurate {

// The first-order diffracted pressure at `listener` of a unit source on the front
// face at `source` (theta = 0), for the edge of `edgeLength`, wavenumber k > 0.
// `panelRule` is the Gauss rule used on each panel of the integral.
std::complex<double> firstOrderDiffraction(const EdgeCoordinates& source,
                                           const EdgeCoordinates& listener, double edgeLength,
                                           double k, const GaussRule& panelRule);

// The apex point of an edge for a source and a listener (the point s where the
// unfolded path source-edge-listener is straight) and the slope of sinh(eta / 2)
// along the edge there: near it sinh(eta / 2) = slope |z - s|.
struct Apex {
    double s, slope;
};

inline Apex apexOf(const EdgeCoordinates& source, const EdgeCoordinates& listener) {
    const double rs = source.r;
    const double rr = listener.r;
    const double apex = (source.s * rr + listener.s * rs) / (rs + rr);
    const double u1 = apex - source.s;
    const double u2 = listener.s - apex;
    const double m0 = std::hypot(rs, u1);
    const double l0 = std::hypot(rr, u2);
    return {apex, (rs + rr) / (2.0 * (u1 * u2 + rs * rr) * std::sqrt((rs / m0) * (rr / l0)))};
}

// The first-order diffraction integral as a sum over quadrature nodes laid out
// for every wavenumber up to kMax: H(k) = sum of weight exp(-jk path).
struct FirstOrderNodes {
    std::vector<double> path, weight;
};

// Appends to `out` the nodes of the edge's integral for the source and the
// listener of firstOrderDiffraction, their weights times `gain`.
void firstOrderNodes(const EdgeCoordinates& source, const EdgeCoordinates& listener,
                     double edgeLength, double kMax, const GaussRule& panelRule, double gain,
                     FirstOrderNodes& out);

// The sum of `nodes` at wavenumber k (0 < k <= their kMax).
std::complex<double> firstOrderAt(const FirstOrderNodes& nodes, double k);

// The grazing edge-source directivity beta(theta_in, theta_out) of a thin edge
// (nu = 1/2) for a source on the front face (theta_in = 0), with the sine of its
// angle to the edge (sinIn, cosIn for the direction from the source to the edge
// point) and the outgoing direction given likewise (sinOut, cosOut for the
// direction from the listener to the edge point) and cos(theta_out / 2).
// sinh^2(eta / 2) of faceSourceDirectivity for the incoming and outgoing
// directions: (cosh eta - 1) / 2 with cosh eta = (1 + cos cos) / (sin sin).
inline double faceSourceSinh2(double sinIn, double cosIn, double sinOut, double cosOut) {
    const double sinProduct = sinIn * sinOut;
    return std::max(0.0, (1.0 + cosIn * cosOut - sinProduct) / (2.0 * sinProduct));
}

// faceSourceDirectivity from sinh2 = sinh^2(eta / 2), its root = sqrt(1 + sinh2)
// and cos(theta_out / 2): one pair of directions serves several listeners.
inline double faceSourceDirectivityOf(double sinh2, double root, double cosHalfThetaOut) {
    const double a = cosHalfThetaOut;
    return 4.0 * a * root / (sinh2 + a * a);
}

inline double faceSourceDirectivity(double sinIn, double cosIn, double sinOut, double cosOut,
                                    double cosHalfThetaOut) {
    const double sinh2 = faceSourceSinh2(sinIn, cosIn, sinOut, cosOut);
    return faceSourceDirectivityOf(sinh2, std::sqrt(1.0 + sinh2), cosHalfThetaOut);
}

}  // namespace opbaff::accurate
