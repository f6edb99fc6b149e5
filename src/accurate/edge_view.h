// How a listener (and its mirror image behind the plate) hears the edge points
// of one grid: distances, directivities of the edge sources towards it, and the
// first term of its weights for the solve by reciprocity.
#pragma once

#include <cstddef>
#include <vector>

#include "accurate/edge_grid.h"
#include "accurate/edge_orders.h"
#include "accurate/plate_geometry.h"

namespace opbaff::accurate {

// How the listener and its mirror image hear the edge points of one grid, for
// every frequency on that grid: per point the distance, per pair [w * N + x] the
// directivity of the edge source at x for the wave from w towards the listener
// (front) and towards the mirror (rear; folded into front, times the rear ratio,
// when the rear waves are proportional to the front ones).
struct EdgeView {
    const accurate::EdgeGrid* grid = nullptr;
    std::vector<double> distance, front, rear;
    // Per point: the direction to the listener and cos(theta / 2) of the
    // listener and of its mirror image.
    std::vector<double> cosOut, sinOut, a, aMirror;
    std::vector<double> sumRe, sumIm;      // per point, for one frequency
    std::vector<double> batchRe, batchIm;  // per frequency of a batch, then point
};

// Sized for grids of up to n points; rear only when not folded.
void reserveView(EdgeView& view, std::size_t n, bool withRear);

// The view of `grid` from `at`; `folded` with the rear waves rearRatio times the
// front ones (view.rear then unused).
void viewEdges(const std::vector<accurate::Edge>& edges, const accurate::EdgeGrid& grid,
               SpacePoint at, bool folded, double rearRatio, EdgeView& view);

// The first term of a listener's weights, L[w * N + x]: how the listener hears
// the wave from w arriving at x and diffracted there once more (the line factor,
// x's weight, the Green function from x to the listener and the directivity at
// x), times the hop from w to x. By reciprocity the rest of the weights are the
// adjoint orders of this term.
void listenerTerm(const accurate::EdgeGrid& grid, EdgeView& view, const double* directivity,
                  double k, const Complex* hop, std::vector<double>& re, std::vector<double>& im);

}  // namespace opbaff::accurate
