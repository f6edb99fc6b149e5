// The edge sources heard by a listener near the plate's plane beyond an edge: the
// zone boundary of the waves that arrive at that edge along a face.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "accurate/edge_grid.h"
#include "accurate/plate_geometry.h"

namespace opbaff::accurate {

// Edges whose listener has |cos(theta / 2)| below kZoneBoundaryWidth (within 60
// degrees of the plane beyond the edge) get the correction, in full below
// kZoneBoundaryFull and faded out linearly above it: there the peak of the
// directivity is wide against the points of an edge and the correction small
// (see zone_boundary.cpp), so the response stays continuous.
inline constexpr double kZoneBoundaryWidth = 0.5;
inline constexpr double kZoneBoundaryFull = 0.4;

// The share of the correction applied at |cos(theta / 2)| = absA.
inline double zoneBoundaryShare(double absA) {
    return std::clamp((kZoneBoundaryWidth - absA) / (kZoneBoundaryWidth - kZoneBoundaryFull), 0.0,
                      1.0);
}

// cos(theta / 2) of a listener about an edge, kept off zero (sign kept) as in the
// first-order integral.
inline double halfAngleCosine(double theta) {
    constexpr double floor = 1e-12;
    const double a = std::cos(0.5 * theta);
    return std::abs(a) >= floor ? a : (a < 0.0 ? -floor : floor);
}

// One directivity table [w * N + x] of the listener (or of its mirror image) to
// correct, the listener's cos(theta / 2) about the edge, and the factor the
// table's values carry.
struct ApexTarget {
    double a;
    double scale;
    double* directivity;
};

// Adds to each target's table the correction of the points of edge e for the
// peak of the directivity at the apex point of every wave arriving at the edge
// (the listener `listener` in the edge's coordinates; its mirror image has the
// same s and r).
void addApexCorrection(const EdgeGrid& grid, const Edge& edge, std::size_t e,
                       const EdgeCoordinates& listener, const ApexTarget* targets,
                       std::size_t targetCount);

}  // namespace opbaff::accurate
