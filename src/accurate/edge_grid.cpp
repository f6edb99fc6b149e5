// The edge-to-edge waves of a flat plate travel grazing along a face, so that on
// both edges theta is 0 (front) or 2 pi (rear). For nu = 1/2 every phi_i of the
// Biot-Tolstoy-Medwin directivity is then an odd multiple of pi and
//   beta = +-4 / cosh(eta / 2),  cosh(eta / 2) = cos((phi_out - phi_in) / 2) / sqrt(sin phi_in sin
//   phi_out),
// + when the wave stays on its face, - when it turns to the other one (phi: the
// in-plane angles, from the receiving edge's direction, of the directions to the
// emitting point and to the point the wave goes on to). See Asheim and Svensson,
// "An integral equation formulation for the diffraction from convex plates and
// polyhedra", J. Acoust. Soc. Am. 133(6), 3681-3691 (2013), for the edge-source
// integral equation built on it.
#include "accurate/edge_grid.h"

#include <algorithm>
#include <cmath>

#include "accurate/gauss_legendre.h"

namespace opbaff::accurate {

namespace {

void placePoints(EdgeGrid& grid, const std::vector<Edge>& edges) {
    for (std::size_t e = 0; e < edges.size(); ++e) {
        const GaussRule rule = gaussLegendre(grid.pointsPerEdge[e]);
        const Edge& edge = edges[e];
        grid.firstPoint.push_back(static_cast<int>(grid.x.size()));
        for (std::size_t i = 0; i < rule.nodes.size(); ++i) {
            const double s = 0.5 * edge.length * (rule.nodes[i] + 1.0);
            // On Gauss-Legendre points (in order) the barycentric weights are
            // (-1)^i sqrt((1 - t_i^2) w_i), up to a common factor.
            const double t = rule.nodes[i];
            grid.barycentric.push_back((i % 2 == 0 ? 1.0 : -1.0) *
                                       std::sqrt((1.0 - t * t) * rule.weights[i]));
            grid.edgeOf.push_back(static_cast<int>(e));
            grid.x.push_back(edge.px + s * edge.ex);
            grid.y.push_back(edge.py + s * edge.ey);
            grid.s.push_back(s);
            grid.weight.push_back(0.5 * edge.length * rule.weights[i]);
        }
    }
    grid.size = static_cast<int>(grid.x.size());
}

void measurePairs(EdgeGrid& grid, const std::vector<Edge>& edges) {
    const auto n = static_cast<std::size_t>(grid.size);
    grid.distance.assign(n * n, 0.0);
    grid.cosPhi.assign(n * n, 0.0);
    grid.sinPhi.assign(n * n, 0.0);
    for (std::size_t p = 0; p < n; ++p) {
        const Edge& edge = edges[static_cast<std::size_t>(grid.edgeOf[p])];
        for (std::size_t q = 0; q < n; ++q) {
            if (grid.edgeOf[p] == grid.edgeOf[q]) {
                continue;
            }
            const double dx = grid.x[q] - grid.x[p];
            const double dy = grid.y[q] - grid.y[p];
            const double d = std::hypot(dx, dy);
            grid.distance[p * n + q] = d;
            grid.cosPhi[q * n + p] = (dx * edge.ex + dy * edge.ey) / d;
            grid.sinPhi[q * n + p] = (dx * edge.nx + dy * edge.ny) / d;
        }
    }
}

void measureHalfAngles(EdgeGrid& grid) {
    const auto n = static_cast<std::size_t>(grid.size);
    grid.rootSin.assign(n * n, 0.0);
    grid.cosHalf.assign(n * n, 0.0);
    grid.sinHalf.assign(n * n, 0.0);
    for (std::size_t p = 0; p < n; ++p) {
        for (std::size_t q = 0; q < n; ++q) {
            const std::size_t i = p * n + q;
            const double c = grid.cosPhi[q * n + p];
            grid.rootSin[i] = std::sqrt(std::max(0.0, grid.sinPhi[q * n + p]));
            // Half-angle of phi in (0, pi), from its cosine.
            grid.cosHalf[i] = std::sqrt(std::max(0.0, 0.5 * (1.0 + c)));
            grid.sinHalf[i] = std::sqrt(std::max(0.0, 0.5 * (1.0 - c)));
        }
    }
}

}  // namespace

EdgeGrid makeEdgeGrid(const std::vector<Edge>& edges, const std::vector<int>& pointsPerEdge) {
    EdgeGrid grid;
    grid.pointsPerEdge = pointsPerEdge;
    placePoints(grid, edges);
    measurePairs(grid, edges);
    measureHalfAngles(grid);
    return grid;
}

}  // namespace opbaff::accurate
