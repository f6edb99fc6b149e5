#include "polar_plots.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iterator>
#include <numeric>

#include "frd.h"
#include "words.h"

namespace opbaff::tools {
namespace {

constexpr double kPolarRingDb = 6.0;    // the polar diagram's rings and the colour bar's tics
constexpr double kPolarCeilingDb = 24;  // the polar diagram grows outwards up to this

// Curve colours that stand out on white, in turn.
const char* const kCurveColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd",
                                     "#ff7f0e", "#8c564b", "#e377c2", "#17becf"};

const char* const kSonogramAxes =
    "set tics out front\n"
    "set xlabel 'Frequency (Hz)'\n"
    "set ylabel 'Listening angle (degrees, positive towards side 1)'\n"
    "set ytics format '%g\u00b0'\n"
    "set cblabel 'Level relative to on axis (dB)'\n"
    "set style fill solid 1.0 noborder\n"
    "set rmargin 14\n"
    "unset key\n";

std::string number(double value) {
    if (!std::isfinite(value)) return "NaN";
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", value);
    return text;
}

// "set palette defined (-30 '#30123b', ...)" from the one palette.
std::string paletteLine() {
    std::string line = "set palette defined (";
    for (const PaletteStop& stop : kSonogramPalette) {
        line.append(&stop == kSonogramPalette.data() ? "" : ", ")
            .append(number(stop.levelDb))
            .append(" '")
            .append(stop.colour)
            .append("'");
    }
    return line + ")\n";
}

double relativeDb(const PolarSet& set, std::size_t angle, std::size_t frequency) {
    return static_cast<double>(set.levelsDb[angle][frequency]) - set.onAxisDb[frequency];
}

// The order that sorts `values` ascending.
std::vector<std::size_t> ascendingOrder(const std::vector<float>& values) {
    std::vector<std::size_t> order(values.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
    return order;
}

// The cells round ascending centres: each reaches halfway to its neighbours
// (on a logarithmic axis, to their geometric means), the outer ones as far
// out as inwards; a lone centre gets `loneHalfWidth`. Each cell's far end is
// then stretched to the next centre: the next cell, drawn later, covers the
// overlap, and no seam shows between them.
struct Cell {
    double low = 0.0;
    double high = 0.0;
};
std::vector<Cell> cellsAround(const std::vector<double>& centres, bool logarithmic,
                              double loneHalfWidth) {
    const auto in = [&](double x) { return logarithmic ? std::log(x) : x; };
    const auto out = [&](double t) { return logarithmic ? std::exp(t) : t; };
    const std::size_t n = centres.size();
    std::vector<Cell> cells(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double below = i > 0 ? (in(centres[i]) - in(centres[i - 1])) / 2 : -1.0;
        const double above = i + 1 < n ? (in(centres[i + 1]) - in(centres[i])) / 2 : -1.0;
        const double lowHalf = below >= 0 ? below : (above >= 0 ? above : loneHalfWidth);
        const double highHalf = above >= 0 ? 2 * above : (below >= 0 ? below : loneHalfWidth);
        cells[i] = {out(in(centres[i]) - lowHalf), out(in(centres[i]) + highHalf)};
    }
    return cells;
}

std::vector<double> sortedValues(const std::vector<float>& values,
                                 const std::vector<std::size_t>& order) {
    std::vector<double> sorted(order.size());
    std::transform(order.begin(), order.end(), sorted.begin(),
                   [&](std::size_t i) { return values[i]; });
    return sorted;
}

// One line per grid point: x y xlow xhigh ylow yhigh colour, for boxxyerror.
std::string sonogramData(const PolarSet& set, const std::vector<std::size_t>& angleOrder,
                         const std::vector<Cell>& angleCells) {
    const std::vector<std::size_t> frequencyOrder = ascendingOrder(set.frequenciesHz);
    const std::vector<Cell> frequencyCells =
        cellsAround(sortedValues(set.frequenciesHz, frequencyOrder), true, std::log(1.1) / 2);
    std::string data = "$sonogram << EOD\n";
    for (std::size_t a = 0; a < angleOrder.size(); ++a) {
        for (std::size_t f = 0; f < frequencyOrder.size(); ++f) {
            const std::size_t angle = angleOrder[a];
            const std::size_t frequency = frequencyOrder[f];
            data += formatReal(set.frequenciesHz[frequency]) + " " +
                    formatReal(set.anglesDeg[angle]) + " " + number(frequencyCells[f].low) + " " +
                    number(frequencyCells[f].high) + " " + number(angleCells[a].low) + " " +
                    number(angleCells[a].high) + " " + number(relativeDb(set, angle, frequency)) +
                    "\n";
        }
    }
    return data + "EOD\n";
}

// The levels every 6 dB from the floor up to `ceiling`.
std::vector<double> ringLevels(double ceiling) {
    std::vector<double> levels;
    const auto count = static_cast<int>(std::floor((ceiling - kPolarFloorDb) / kPolarRingDb));
    for (int k = 0; k <= count; ++k) levels.push_back(kPolarFloorDb + k * kPolarRingDb);
    return levels;
}

// "set <axis>tics ('label' level, ...)" with a label for each level.
std::string labelledTics(const std::string& axis, const std::vector<double>& levels,
                         const std::function<std::string(std::size_t)>& label) {
    std::string tics = "set " + axis + "tics (";
    for (std::size_t k = 0; k < levels.size(); ++k) {
        tics.append(k == 0 ? "" : ", ").append(gnuplotQuoted(label(k)));
        tics.append(" ").append(number(levels[k]));
    }
    return tics + ")";
}

// A tic every 6 dB; the ends say that levels beyond them take their colour.
std::string colourBarTics() {
    const std::vector<double> levels = ringLevels(kSonogramCeilingDb);
    return labelledTics("cb", levels,
                        [&](std::size_t k) {
                            if (k == 0) return std::string("\u2264 ") + number(levels[k]);
                            if (k + 1 == levels.size())
                                return std::string("\u2265 +") + number(levels[k]);
                            return number(levels[k]);
                        }) +
           "\n";
}

// Tics on the angle axis at a round step for its span.
std::string angleTics(double span) {
    if (span > 200.0) return "set ytics 30\n";
    if (span >= 60.0) return "set ytics 15\n";
    return "";
}

bool frontHalfOnly(const std::vector<float>& anglesDeg) {
    return std::all_of(anglesDeg.begin(), anglesDeg.end(),
                       [](float angle) { return std::fabs(angle) <= 90.0F; });
}

// The outermost ring: the highest relative level shown, rounded up to a ring.
double polarCeiling(const PolarSet& set, const std::vector<std::size_t>& chosen) {
    double highest = 0.0;
    for (std::size_t angle = 0; angle < set.anglesDeg.size(); ++angle) {
        for (const std::size_t frequency : chosen) {
            const double level = relativeDb(set, angle, frequency);
            if (std::isfinite(level)) highest = std::max(highest, level);
        }
    }
    return std::min(kPolarCeilingDb, std::ceil(highest / kPolarRingDb) * kPolarRingDb);
}

std::string polarData(const PolarSet& set, std::size_t frequency,
                      const std::vector<std::size_t>& angleOrder, double ceiling,
                      std::size_t index) {
    std::string data = "$polar" + std::to_string(index) + " << EOD\n";
    for (const std::size_t angle : angleOrder) {
        const double level = relativeDb(set, angle, frequency);
        // Deeper levels lie on the centre, as the diagram has no room below its floor.
        data += formatReal(set.anglesDeg[angle]) + " " +
                number(std::isfinite(level) ? std::clamp(level, kPolarFloorDb, ceiling) : NAN) +
                "\n";
    }
    return data + "EOD\n";
}

// The rings every 6 dB above the floor, which is the centre.
std::string polarRings(double ceiling) {
    std::vector<double> levels = ringLevels(ceiling);
    levels.erase(levels.begin());
    return labelledTics("r", levels, [&](std::size_t k) { return number(levels[k]); }) +
           " scale 0.5\n";
}

// A range "[low:high]" for a gnuplot axis.
std::string range(double low, double high) {
    std::string text = "[";
    return text.append(number(low)).append(":").append(number(high)).append("]");
}

// Round the centre at the floor: angle 0 up, positive angles clockwise, as
// seen from above with side 1 on the right.
std::string polarFrame(bool frontHalf, double ceiling) {
    const double radius = ceiling - kPolarFloorDb;
    std::string frame =
        "set polar\n"
        "set angles degrees\n"
        "set theta top clockwise\n"
        "unset border\n"
        "unset xtics\n"
        "unset ytics\n"
        "set size ratio -1\n";
    frame += "set rrange " + range(kPolarFloorDb, ceiling) + "\n" + polarRings(ceiling);
    frame += frontHalf ? "set ttics -90,15,90 format '%g\u00b0'\nset grid polar 15"
                       : "set ttics -150,30,180 format '%g\u00b0'\nset grid polar 30";
    frame += " rtics lt 1 lw 1 lc rgb '#c8c8c8'\n";
    frame += "set xrange " + range(-1.15 * radius, 1.15 * radius) + "\n";
    frame += "set yrange " + range(frontHalf ? 0.0 : -1.15 * radius, 1.15 * radius) + "\n";
    return frame + "set xlabel \"Radius: level relative to on axis (dB), " + number(kPolarFloorDb) +
           " dB and below at the centre\\nAngle: listening angle, positive towards side 1\"\n";
}

}  // namespace

std::string frequencyLabel(float frequencyHz) {
    char text[32];
    if (frequencyHz < 999.5F) {
        std::snprintf(text, sizeof text, "%.3g Hz", static_cast<double>(frequencyHz));
    } else {
        std::snprintf(text, sizeof text, "%.3g kHz", static_cast<double>(frequencyHz) / 1000.0);
    }
    return text;
}

std::vector<std::size_t> chosenFrequencies(const std::vector<float>& gridHz,
                                           const std::vector<float>& wantedHz) {
    std::vector<std::size_t> chosen;
    for (const float wanted : wantedHz) {
        const std::size_t nearest = nearestFrequency(gridHz, wanted);
        if (std::find(chosen.begin(), chosen.end(), nearest) == chosen.end()) {
            chosen.push_back(nearest);
        }
    }
    return chosen;
}

std::string polarTitle(const Design& d) {
    return "rectangular baffle " + shortNumber(d.baffleWidthCm) + " \u00d7 " +
           shortNumber(d.baffleHeightCm) + " cm, " + shortNumber(d.driverDiameterCm) +
           " cm driver " + shortNumber(d.driverXCm) + " cm from side 2 and " +
           shortNumber(d.driverYCm) + " cm up, listener " + shortNumber(d.listenerDistanceM) + " m";
}

std::string sonogramScript(const PolarSet& set, const std::string& title, PlotFormat format) {
    const std::vector<std::size_t> angleOrder = ascendingOrder(set.anglesDeg);
    const std::vector<double> angles = sortedValues(set.anglesDeg, angleOrder);
    const std::vector<Cell> angleCells = cellsAround(angles, false, 2.5);
    const double bottom = angleCells.empty() ? -90.0 : angleCells.front().low;
    const double top = angleCells.empty() ? 90.0 : angleCells.back().high;
    return terminalLines(format, 900, 560) + sonogramData(set, angleOrder, angleCells) +
           "set title " + gnuplotQuoted(title) + "\n" + kLogFrequencyAxis + kSonogramAxes +
           paletteLine() + colourBarTics() + angleTics(top - bottom) + "set yrange [" +
           number(bottom) + ":" + number(top) + "]\n" + "set cbrange [" + number(kPolarFloorDb) +
           ":" + number(kSonogramCeilingDb) + "]\n" +
           "plot $sonogram using 1:2:3:4:5:6:7 with boxxyerror fillcolor palette\n";
}

std::string polarPlotScript(const PolarSet& set, const std::vector<std::size_t>& chosen,
                            const std::string& title, PlotFormat format) {
    const std::vector<std::size_t> angleOrder = ascendingOrder(set.anglesDeg);
    const double ceiling = polarCeiling(set, chosen);
    const bool frontHalf = frontHalfOnly(set.anglesDeg);
    std::string script = terminalLines(format, 800, frontHalf ? 500 : 760);
    for (std::size_t k = 0; k < chosen.size(); ++k) {
        script += polarData(set, chosen[k], angleOrder, ceiling, k);
    }
    script += "set title " + gnuplotQuoted(title) + "\n" + polarFrame(frontHalf, ceiling) +
              "set key outside right top title 'Frequency'\nplot";
    for (std::size_t k = 0; k < chosen.size(); ++k) {
        script += std::string(k == 0 ? " " : ", \\\n     ") + "$polar" + std::to_string(k) +
                  " using 1:2 with lines linewidth 2 linecolor rgb '" +
                  kCurveColours[k % std::size(kCurveColours)] + "'" +
                  (k >= std::size(kCurveColours) ? " dashtype 2" : "") + " title " +
                  gnuplotQuoted(frequencyLabel(set.frequenciesHz[chosen[k]]));
    }
    return script + "\n";
}

}  // namespace opbaff::tools
