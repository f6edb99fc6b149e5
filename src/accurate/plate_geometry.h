// The thin plate's edges, each seen as the edge of a half-plane, and the local
// cylindrical coordinates of a point about an edge.
#pragma once

#include <vector>

#include "opbaff/thin_plate.h"

namespace opbaff::accurate {

inline constexpr double kPi = 3.14159265358979323846;

// One side of the outline: from corner (px, py) along the unit vector (ex, ey) for
// `length` metres; (nx, ny) is the unit normal into the plate.
struct Edge {
    double px = 0.0, py = 0.0;
    double ex = 0.0, ey = 0.0;
    double nx = 0.0, ny = 0.0;
    double length = 0.0;
};

std::vector<Edge> edgesOf(const PlateOutline& outline);

// A point about an edge: s along the edge from its first corner, r its distance
// from the edge's line, theta its angle about the edge measured from the front
// face (0 on the front face, pi in the plate's plane beyond the edge, 2 pi on the
// rear face).
struct EdgeCoordinates {
    double s = 0.0;
    double r = 0.0;
    double theta = 0.0;
};

EdgeCoordinates edgeCoordinates(const Edge& edge, SpacePoint point);

}  // namespace opbaff::accurate
