// The pictures of a polar set, drawn by gnuplot: a sonogram of the level
// relative to on axis over angle and frequency, and a polar diagram of that
// level at a few frequencies.
#pragma once

#include <array>
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

// The sonogram's colours: a level relative to on axis and its colour, levels
// between two stops blended between their colours. Dark blue for deep cuts
// through green to orange at on-axis level and dark red above it. The studio's
// page colours its sonogram from this table too.
struct PaletteStop {
    double levelDb;
    const char* colour;  // "#rrggbb"
};
inline constexpr std::array<PaletteStop, 9> kSonogramPalette{{
    {-30.0, "#30123b"},
    {-24.0, "#4662d7"},
    {-18.0, "#36aaf9"},
    {-12.0, "#1ae4b6"},
    {-6.0, "#72fe5e"},
    {-3.0, "#c8ef34"},
    {0.0, "#faba39"},
    {3.0, "#f66b19"},
    {6.0, "#7a0403"},
}};

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
