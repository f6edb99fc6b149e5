// Plots drawn by gnuplot: levels against a logarithmic frequency axis, with a
// y range that follows the responses, and the drawing of any gnuplot script
// into an output set.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/output_set.h"
#include "tools/tool_io.h"

namespace opbaff::tools {

enum class PlotFormat { svg, png };

// gnuplot's x axis from 10 Hz to 20.5 kHz, logarithmic, labelled at 1-2-5 steps.
extern const char* const kLogFrequencyAxis;

// ".svg" or ".png".
const char* pictureExtension(PlotFormat format);

// One curve: a level in dB per frequency in Hz.
struct Curve {
    std::string label;
    std::vector<float> frequencies;
    std::vector<float> levels;
    bool dashed = false;
};

// The levels a plot shows: from the curves' highest level down to their lowest,
// but not below 60 dB under the highest (deep notches are cut off), and without
// values at or below the -100 dB floor; both ends on 5 dB steps with a margin.
struct YRange {
    double low = -60.0;
    double high = 0.0;
};
YRange yRangeFor(const std::vector<Curve>& curves);

// A curve whose levels equal an earlier curve's (within 0.01 dB at every
// frequency) would hide behind it: it gets dashes, and its label says so.
void markCoincidingCurves(std::vector<Curve>& curves);

// A gnuplot string literal in single quotes, inner quotes doubled.
std::string gnuplotQuoted(std::string_view text);

// "set terminal ..." and "set output ..." for a picture of the given size.
std::string terminalLines(PlotFormat format, int width, int height, const std::string& outputPath);

// The whole script of a response plot: 10 Hz to 20.5 kHz, the curves as data
// blocks (a level that is not finite becomes NaN, which gnuplot leaves out).
std::string responsePlotScript(const std::vector<Curve>& curves, const std::string& title,
                               PlotFormat format, const std::string& outputPath);

enum class PlotOutcome { written, rendererMissing, failed };

struct PlotResult {
    PlotOutcome outcome = PlotOutcome::written;
    std::string message;  // for rendererMissing and failed
};

// Has gnuplot (looked up on `searchPath`) run `script(path)`, which must draw
// into `path`, a temporary file of `set` for `name`. On success the picture is
// part of the set; otherwise the set holds nothing for it.
PlotResult renderPicture(OutputSet& set, const std::string& name,
                         const std::function<std::string(const std::string&)>& script,
                         const std::string& searchPath);

// A picture of a command's output: its file name, and the gnuplot script that
// draws it into a given path.
struct Picture {
    std::string name;
    std::function<std::string(const std::string&)> script;
};

// Draws the pictures into `set` and commits it. A picture that gnuplot fails
// to draw fails the whole set, which leaves the folder as it was; without
// gnuplot everything else is written and one line names the pictures left
// out. Problems are reported on `io`; returns the exit status.
int drawAndCommit(OutputSet& set, const std::vector<Picture>& pictures, const ToolIo& io);

}  // namespace opbaff::tools
