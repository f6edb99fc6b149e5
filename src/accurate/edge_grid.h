// The edges discretised for the higher orders, and the outline's edge-to-edge
// operator on that discretisation (independent of frequency, source and listener).
#pragma once

#include <vector>

#include "accurate/plate_geometry.h"

namespace opbaff::accurate {

struct EdgeGrid {
    int size = 0;                    // N, the points on all edges
    std::vector<int> pointsPerEdge;  // the key of the grid
    std::vector<int> edgeOf;         // per point
    std::vector<double> x, y;        // per point, in the plate's plane
    std::vector<double> s;           // per point, position along its edge
    std::vector<double> weight;      // per point, Gauss weight times half the edge's length
    // Per ordered pair [p * N + q], seen from p's edge: the distance, and the angle
    // phi of the direction p -> q to the edge's direction (0 < phi < pi); zero
    // for two points of one edge.
    std::vector<double> distance;
    std::vector<double> cosPhi, sinPhi;
    // The grazing directivity [x][w][y] (N^3) of the edge source at x for a wave
    // arriving from w along the face and leaving towards y along the same face.
    std::vector<double> grazing;
};

// The grid of `pointsPerEdge[e]` Gauss-Legendre points on edge e.
EdgeGrid makeEdgeGrid(const std::vector<Edge>& edges, const std::vector<int>& pointsPerEdge);

}  // namespace opbaff::accurate
