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
    std::vector<int> firstPoint;     // per edge: its points are firstPoint[e] onwards
    std::vector<double> x, y;        // per point, in the plate's plane
    std::vector<double> s;           // per point, position along its edge
    std::vector<double> weight;      // per point, Gauss weight times half the edge's length
    // Per point, its barycentric weight for the polynomial through the points of
    // its edge: p(s) = sum_i (b_i / (s - s_i)) p_i / sum_i (b_i / (s - s_i)).
    std::vector<double> barycentric;
    // Per ordered pair [p * N + q], the distance; per pair [q * N + p], seen from
    // p's edge, the angle phi of the direction p -> q to the edge's direction
    // (0 < phi < pi). Zero for two points of one edge.
    std::vector<double> distance;
    std::vector<double> cosPhi, sinPhi;
    // The factors of the grazing directivity, per pair [x * N + q]: sqrt(sin phi)
    // (zero on x's own edge), cos(phi / 2) and sin(phi / 2). The directivity of the
    // edge source at x for a wave arriving from w along the face and leaving
    // towards y along the same face is
    //   4 rootSin[w] rootSin[y] / (cosHalf[w] cosHalf[y] + sinHalf[w] sinHalf[y]),
    // formed where it is used rather than stored (N^3 values).
    std::vector<double> rootSin, cosHalf, sinHalf;
};

// The grid of `pointsPerEdge[e]` Gauss-Legendre points on edge e.
EdgeGrid makeEdgeGrid(const std::vector<Edge>& edges, const std::vector<int>& pointsPerEdge);

}  // namespace opbaff::accurate
