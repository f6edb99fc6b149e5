// Levels in decibels: 20 log10 of a magnitude, in three stored steps.
#pragma once

#include "model/libf2c.h"
#include "model/real.h"

namespace opbaff {

// Added to the magnitude of the fourth column only, so it never takes log10 0.
inline constexpr Real kMagnitudeFloor = 1.0e-5F;

// 20 log10 x: the logarithm stored, then its product with 20 stored.
inline Real decibels(Real x) {
    const auto logarithm = static_cast<Real>(log10Real(x));
    return static_cast<Real>(20.0 * logarithm);
}

// The level of |z|, the magnitude stored first.
inline Real levelOf(Complex z) {
    return decibels(static_cast<Real>(magnitude(z)));
}

// Front and rear sources superposed without any path, and the level of that
// sum with the magnitude floor added (column 4 of both models).
struct FloorLevel {
    Complex sum;
    Real level;
};

inline FloorLevel floorLevelOf(Complex front, Complex rear) {
    const Complex sum = add(front, rear);
    const auto sumMagnitude = static_cast<Real>(magnitude(sum));
    return {sum, decibels(static_cast<Real>(static_cast<double>(sumMagnitude) + kMagnitudeFloor))};
}

}  // namespace opbaff
