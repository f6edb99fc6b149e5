// The pictures of a polar set, drawn by gnuplot: a sonogram of the level
// relative to on axis over angle and frequency, and a polar diagram of that
// level at a few frequencies.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "opbaff/design.h"
#include "plot.h"
#include "polar.h"

namespace opbaff::tools {

// The relative levels shown run from this floor (deeper levels take its
// colour, or lie on the centre of the polar diagram) ...
inline constexpr double kPolarFloorDb = -30.0;
// ... up to this ceiling of the sonogram's colour bar.
inline constexpr double kSonogramCeilingDb = 6.0;

// A frequency for a key, in three digits: "12.1 Hz", "259 Hz", "1.03 kHz".
std::string frequencyLabel(float frequencyHz);

// The indexes of the grid frequencies nearest the wanted ones, in their order,
// each once.
std::vector<std::size_t> chosenFrequencies(const std::vector<float>& gridHz,
                                           const std::vector<float>& wantedHz);

// The design in a line for the pictures' titles: "rectangular baffle 60 × 100 cm,
// 20 cm driver 22 cm from side 2 and 70 cm up, listener 2 m".
std::string polarTitle(const Design& design);

// Angle (y) against frequency on a logarithmic axis from 10 Hz to 20.5 kHz
// (x), each grid point a cell coloured by its level relative to on axis.
std::string sonogramScript(const PolarSet& set, const std::string& title, PlotFormat format);

// The relative level against angle at the grid frequencies `chosen`, one
// curve each; 0 degrees points up, positive angles to the right. Only the
// front half is drawn when every angle lies within +-90 degrees.
std::string polarPlotScript(const PolarSet& set, const std::vector<std::size_t>& chosen,
                            const std::string& title, PlotFormat format);

}  // namespace opbaff::tools
