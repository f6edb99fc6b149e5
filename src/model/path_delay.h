// The delay factor of a rear path: e^(j phi) with phi = -omega * path / c.
#pragma once

#include <cmath>

#include "model/real.h"

namespace opbaff {

// omega = 2 pi f, stored.
inline Real angularFrequency(Real frequency, Real pi) {
    return static_cast<Real>((static_cast<double>(frequency) + frequency) * pi);
}

// The phase lag of a path difference, stored.
inline Real pathPhase(Real omega, Real pathDifference, Real soundSpeed) {
    return static_cast<Real>(-(static_cast<double>(omega) * pathDifference / soundSpeed));
}

// (cos phi, sin phi), each part rounded. This is the complex exponential of
// (0, phi) bit for bit (e^0 is exactly 1), without computing that e^0.
inline Complex delayFactor(Real phi) {
    double sine = 0.0;
    double cosine = 0.0;
    ::sincos(static_cast<double>(phi), &sine, &cosine);
    return {static_cast<Real>(cosine), static_cast<Real>(sine)};
}

// (source x delay) x (weight, 0): the first product unrounded, the second
// rounded part by part.
inline Complex weightedRearTerm(Complex source, Complex delay, Complex weight) {
    return narrow(product(product(widen(source), widen(delay)), widen(weight)));
}

}  // namespace opbaff
