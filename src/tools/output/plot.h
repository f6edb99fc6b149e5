// Plots drawn by gnuplot: levels against a logarithmic frequency axis, with a
// y range that follows the responses, and the drawing of any gnuplot script
// into an output set.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "output_set.h"
#include "tool_io.h"

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
// Curves without a finite level are never marked, nor named as the earlier.
void markCoincidingCurves(std::vector<Curve>& curves);

// A gnuplot string literal in single quotes that shows `text` and that no
// character of it can end: the text as visibleText() shows it (no control
// characters, valid UTF-8), inner quotes doubled.
std::string gnuplotQuoted(std::string_view text);

// "set terminal ..." for a picture of the given size. The scripts name no
// output file: gnuplot draws on its standard output, which the tool copies
// into the file, so that no path ever becomes part of a script.
std::string terminalLines(PlotFormat format, int width, int height);

// What a response plot whose curves have no finite level says in its middle.
extern const char* const kNothingToDraw;

// The whole script of a response plot: 10 Hz to 20.5 kHz, the curves as data
// blocks (a level that is not finite becomes NaN, which gnuplot leaves out).
// A curve without a finite level says so in its key; a plot without any says
// kNothingToDraw.
std::string responsePlotScript(const std::vector<Curve>& curves, const std::string& title,
                               PlotFormat format);

enum class PlotOutcome { written, rendererMissing, failed, interrupted };

struct PlotResult {
    PlotOutcome outcome = PlotOutcome::written;
    std::string message;   // for every outcome but written
    std::string warnings;  // gnuplot's warnings for a picture written, line by line
};

// Whether `path` holds a whole picture of the format: an SVG document that
// ends with its closing tag, or a PNG from its signature to its IEND chunk.
// Empty when it does, else what is wrong.
std::optional<std::string> wholePictureProblem(const std::string& path, PlotFormat format);

// The first line of gnuplot's error output that reports an error (not a
// warning), or nothing.
std::optional<std::string> gnuplotErrorLine(const std::string& errorOutput);

// Has gnuplot (looked up on `searchPath`) run `script`, its picture going to
// a temporary file of `set` for `name`. The picture counts only when gnuplot
// exited with status 0, reported no error, and every byte of a whole picture
// reached the file; then it is part of the set, otherwise the set holds
// nothing for it.
PlotResult renderPicture(OutputSet& set, const std::string& name, PlotFormat format,
                         const std::string& script, const std::string& searchPath);

// A picture of a command's output: its file name, its format, and a function
// that gives the gnuplot script that draws it.
struct Picture {
    std::string name;
    PlotFormat format = PlotFormat::svg;
    std::function<std::string()> script;
};

// Draws the pictures into `set` and commits it. A picture that gnuplot fails
// to draw fails the whole set, which leaves the folder as it was; without
// gnuplot everything else is written and one line names the pictures left
// out. Problems are reported on `io`; returns the exit status, 128 plus the
// signal's number when a stop signal ended the set.
int drawAndCommit(OutputSet& set, const std::vector<Picture>& pictures, const ToolIo& io);

}  // namespace opbaff::tools
