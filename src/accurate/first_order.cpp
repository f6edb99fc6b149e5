// First-order edge diffraction by the secondary-source form of the
// Biot-Tolstoy-Medwin solution: U. P. Svensson, R. I. Fred and J. Vanderkooy, "An
// analytic secondary source model of edge diffraction impulse responses", J.
// Acoust. Soc. Am. 106(5), 2331-2344 (1999), eqs. for h(t) and beta. In the
// frequency domain (time factor exp(+jwt)):
//   H = -(nu / 4 pi) Int beta(z) exp(-jk(m + l)) / (m l) dz,
//   beta = sum_i sin(nu phi_i) / (cosh(nu eta) - cos(nu phi_i)),
// with phi = pi +- theta_S +- theta_R. For a thin plate nu = 1/2, and for a source on
// the front face (theta_S = 0) the four terms pair up to
//   beta = 4 cos(theta_R / 2) cosh(eta / 2) / (sinh^2(eta / 2) + cos^2(theta_R / 2)),
// which is singular only at the apex point (eta = 0) for a listener in the
// plate's plane beyond the edge (theta_R = pi), where the geometrical sound jumps
// from twice the direct sound to nothing. Near there the integrand is a
// Lorentzian in sinh(eta / 2) of width |cos(theta_R / 2)|; the integral is split
// at the apex and taken in t with z - z_apex = (a / C) sinh t, which turns the
// Lorentzian into 1 / cosh t, so the same quadrature holds uniformly up to the
// boundary and gives half the jump on either side of it.
#include "accurate/first_order.h"

#include <algorithm>
#include <cmath>

#include "accurate/cos_sin.h"

namespace opbaff::accurate {

namespace {

// sinh and cosh of t >= 0 from one exponential.
struct Hyperbolic {
    double sinh, cosh;
};

Hyperbolic hyperbolic(double t) {
    const double e = std::exp(t);
    const double inverse = 1.0 / e;
    return {0.5 * (e - inverse), 0.5 * (e + inverse)};
}

struct SideIntegral {
    const EdgeCoordinates& source;
    const EdgeCoordinates& listener;
    double kMax;
    double apex;   // z of the apex point
    double a;      // cos(theta_R / 2), kept away from 0
    double scale;  // a / C: the length over which beta varies at the apex
    const GaussRule& rule;
    double factor;  // of every weight
    FirstOrderNodes& out;

    // The node at distance d from the apex on the side `sign`, with its weight
    // in t and dz/dt.
    void node(double d, double sign, double dzdt, double weight) const {
        const double z = apex + sign * d;
        const double u1 = z - source.s;
        const double u2 = listener.s - z;
        const double m = std::sqrt(source.r * source.r + u1 * u1);
        const double l = std::sqrt(listener.r * listener.r + u2 * u2);
        // eta from the angles to the edge: delta = alpha_S + alpha_R - pi is the
        // angle of (x, y) = (u1 u2 + r_S r_R, (r_S + r_R)(z_apex - z)), and
        // sin^2(delta / 2) = (1 - x / h) / 2 with h = |(x, y)|, written as
        // y^2 / (2 h (h + x)) where x > 0 so that it does not cancel.
        const double x = u1 * u2 + source.r * listener.r;
        const double y = (source.r + listener.r) * d;
        const double h = std::sqrt(x * x + y * y);
        const double sinHalf2 = x > 0.0 ? y * y / (2.0 * h * (h + x)) : (h - x) / (2.0 * h);
        const double sinh2 = sinHalf2 / ((source.r / m) * (listener.r / l));
        const double beta = 4.0 * a * std::sqrt(1.0 + sinh2) / (sinh2 + a * a);
        out.path.push_back(m + l);
        out.weight.push_back(factor * beta * dzdt * weight / (m * l));
    }

    // Int over d in [d0, d1] on side `sign`, in t, panels short against the
    // shortest wavelength and against the distances to the source and the listener.
    void over(double d0, double d1, double sign) const {
        const double t0 = std::asinh(d0 / scale);
        const double t1 = std::asinh(d1 / scale);
        const double wavePanel = kPi / kMax;  // half a wavelength
        double t = t0;
        for (int panel = 0; panel < 100000 && t < t1; ++panel) {
            const double tEnd = std::min(t + 1.0, t1);
            const double dzdtMax = scale * hyperbolic(tEnd).cosh;
            const double z = apex + sign * scale * hyperbolic(t).sinh;
            const double us = z - source.s;
            const double ul = z - listener.s;
            const double near = 0.5 * std::sqrt(std::min(source.r * source.r + us * us,
                                                         listener.r * listener.r + ul * ul));
            const double h = std::min(tEnd - t, std::min(wavePanel, near) / dzdtMax);
            for (std::size_t i = 0; i < rule.nodes.size(); ++i) {
                const Hyperbolic at = hyperbolic(t + 0.5 * h * (rule.nodes[i] + 1.0));
                node(scale * at.sinh, sign, scale * at.cosh, 0.5 * h * rule.weights[i]);
            }
            t += h;
        }
    }
};

}  // namespace

void firstOrderNodes(const EdgeCoordinates& source, const EdgeCoordinates& listener,
                     double edgeLength, double kMax, const GaussRule& panelRule, double gain,
                     FirstOrderNodes& out) {
    constexpr double nu = 0.5;
    double a = std::cos(0.5 * listener.theta);
    constexpr double aFloor = 1e-12;
    if (std::abs(a) < aFloor) {
        a = a < 0.0 ? -aFloor : aFloor;
    }
    const auto [apex, slope] = apexOf(source, listener);
    const SideIntegral side{
        source, listener, kMax, apex, a, std::abs(a) / slope, panelRule, -(nu / (4.0 * kPi)) * gain,
        out};
    if (apex <= 0.0) {
        side.over(-apex, edgeLength - apex, 1.0);
    } else if (apex >= edgeLength) {
        side.over(apex - edgeLength, apex, -1.0);
    } else {
        side.over(0.0, edgeLength - apex, 1.0);
        side.over(0.0, apex, -1.0);
    }
}

// Compiled also for AVX2 and AVX-512 and chosen by the processor at load time (the same
// sums: no fused multiply-add).
__attribute__((target_clones("avx512f", "avx2", "default"))) std::complex<double> firstOrderAt(
    const FirstOrderNodes& nodes, double k) {
    double re = 0.0;
    double im = 0.0;
    const double* path = nodes.path.data();
    const double* weight = nodes.weight.data();
    for (std::size_t i = 0; i < nodes.path.size(); ++i) {
        const CosSin e = cosSin(k * path[i]);
        re += weight[i] * e.c;
        im -= weight[i] * e.s;
    }
    return {re, im};
}

std::complex<double> firstOrderDiffraction(const EdgeCoordinates& source,
                                           const EdgeCoordinates& listener, double edgeLength,
                                           double k, const GaussRule& panelRule) {
    FirstOrderNodes nodes;
    firstOrderNodes(source, listener, edgeLength, k, panelRule, 1.0, nodes);
    return firstOrderAt(nodes, k);
}

}  // namespace opbaff::accurate
