// How good a curve is over a band, as the layout search ranks baffles: its
// smoothness about its own straight tilt, and the boost an equaliser would
// need to lift its deepest dip to the band's level.
#pragma once

#include <string>
#include <vector>

#include "opbaff/result.h"

namespace opbaff::tools {

enum class LayoutGoal { smooth, boost };

// The figures of one curve over the grid frequencies f with fromHz <= f <= toHz
// (levels that are not finite are left out):
//   smoothDb: the RMS deviation of the levels from their own least-squares line
//     a + b log10(f) (b the tilt, dB per decade), each frequency weighted alike:
//     on a logarithmic grid, an average over log frequency;
//   boostDb: the band's median level minus its lowest level (>= 0), the largest
//     shortfall below the median that a flat equaliser's target would have to
//     lift.
struct LayoutFigures {
    double smoothDb = 0.0;
    double tiltDbPerDecade = 0.0;
    double boostDb = 0.0;
    int points = 0;  // the finite levels in the band
};

// Errors: a band with fewer than 3 finite levels (the tilt would fit exactly).
Result<LayoutFigures, std::string> layoutFigures(const std::vector<float>& frequenciesHz,
                                                 const std::vector<double>& levelsDb, double fromHz,
                                                 double toHz);

// The figure the goal minimises.
double goalValue(const LayoutFigures& figures, LayoutGoal goal);

}  // namespace opbaff::tools
