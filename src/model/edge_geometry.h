// Where the rear wave of a rectangular baffle leaves it: 101 points on the
// baffle's edge on each side of the driver, and the extra way to the listener
// from each of them.
#pragma once

#include <array>

#include "model/parameter_set.h"
#include "model/real.h"
#include "model/run_constants.h"

namespace opbaff {

inline constexpr int kEdgePointCount = 101;

template <typename T>
using EdgeArray = std::array<T, kEdgePointCount>;

// Directions in the baffle plane from the driver centre, from just short of
// straight down to just short of straight up.
struct EdgeDirections {
    EdgeArray<Real> edgeAngle{};  // radians from the +x direction, positive upwards
    Real topDistanceCm = 0.0F;    // driver centre to the top edge
};

EdgeDirections buildEdgeDirections(const ParameterSet& parameters, Real pi);

// One side's rear paths, for the three results: on axis, the round comparison
// baffle, and off axis.
struct SideGeometry {
    EdgeArray<Real> pathDifference{};         // m
    EdgeArray<Real> roundPathDifference{};    // m
    EdgeArray<Real> offAxisPathDifference{};  // m
    EdgeArray<Complex> pathWeight{};
    EdgeArray<Complex> roundPathWeight{};
    EdgeArray<Complex> offAxisPathWeight{};
};

// Side 1 lies towards the edge opposite the one driverXCm is measured from,
// side 2 towards that edge. `offAxisAngle` is the angle as set for the side
// (negated for side 2, so the listener stays at one place).
void computeSideGeometry(const ParameterSet& parameters, const EdgeDirections& directions,
                         Real sideDistanceCm, Real offAxisAngle, SideGeometry& side);

}  // namespace opbaff
