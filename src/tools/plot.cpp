#include "tools/plot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "tools/frd.h"
#include "tools/program_search.h"

namespace opbaff::tools {
namespace {

constexpr double kFloorDb = -99.9;      // the -100 dB reference and the floor of column 4
constexpr double kDeepestShownDb = 60;  // below the top

const char* const kResponseAxes =
    "set grid xtics ytics mxtics lc rgb '#d0d0d0', lc rgb '#ececec'\n"
    "set xlabel 'Frequency (Hz)'\n"
    "set ylabel 'Level (dB)'\n";

std::string dataBlock(const Curve& curve, std::size_t index) {
    std::string block = "$curve" + std::to_string(index) + " << EOD\n";
    for (std::size_t i = 0; i < curve.frequencies.size() && i < curve.levels.size(); ++i) {
        const float level = curve.levels[i];
        block += formatReal(curve.frequencies[i]) + " " +
                 (std::isfinite(level) ? formatReal(level) : std::string("NaN")) + "\n";
    }
    return block + "EOD\n";
}

std::string plotCommand(const std::vector<Curve>& curves) {
    std::string command = "plot";
    for (std::size_t k = 0; k < curves.size(); ++k) {
        command += k == 0 ? " " : ", \\\n     ";
        command += "$curve" + std::to_string(k) + " using 1:2 with lines linewidth 2 linecolor " +
                   std::to_string(k + 1) + (curves[k].dashed ? " dashtype 2" : "") + " title " +
                   gnuplotQuoted(curves[k].label);
    }
    return command + "\n";
}

bool isNonEmptyFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && status.st_size > 0;
}

// The script goes to its own temporary file, which gnuplot reads as its input.
std::optional<std::string> runScript(const std::string& gnuplot, const std::string& script,
                                     const std::string& besidePath) {
    std::string scriptPath = besidePath + ".gp";
    std::FILE* file = std::fopen(scriptPath.c_str(), "wx");
    if (file == nullptr) return scriptPath + ": " + std::strerror(errno);
    const bool written = std::fwrite(script.data(), 1, script.size(), file) == script.size();
    const bool closed = std::fclose(file) == 0;
    std::optional<std::string> problem;
    if (!written || !closed) {
        problem = scriptPath + ": " + std::strerror(errno);
    } else if (const auto reason = runWithInput(gnuplot, scriptPath)) {
        problem = "gnuplot failed (" + *reason + ")";
    }
    ::unlink(scriptPath.c_str());
    return problem;
}

}  // namespace

// The first tic sits a hair inside the range: exactly at its end, the log
// scaling rounds it out of the range and drops its label.
const char* const kLogFrequencyAxis =
    "set logscale x\n"
    "set xrange [10:20500]\n"
    "set xtics ('10' 10.0001, '20' 20, '50' 50, '100' 100, '200' 200, '500' 500, '1k' 1000, "
    "'2k' 2000, '5k' 5000, '10k' 10000, '20k' 20000)\n"
    "set mxtics 10\n";

const char* pictureExtension(PlotFormat format) {
    return format == PlotFormat::png ? ".png" : ".svg";
}

YRange yRangeFor(const std::vector<Curve>& curves) {
    double top = -std::numeric_limits<double>::infinity();
    double bottom = std::numeric_limits<double>::infinity();
    for (const Curve& curve : curves) {
        for (const float level : curve.levels) {
            if (!std::isfinite(level) || level <= kFloorDb) continue;
            top = std::max(top, static_cast<double>(level));
            bottom = std::min(bottom, static_cast<double>(level));
        }
    }
    if (!std::isfinite(top)) return {};
    bottom = std::max(bottom, top - kDeepestShownDb);
    const double high = std::ceil(top / 5.0) * 5.0 + 5.0;
    return {std::floor(bottom / 5.0) * 5.0 - 5.0, high};
}

void markCoincidingCurves(std::vector<Curve>& curves) {
    for (std::size_t k = 1; k < curves.size(); ++k) {
        for (std::size_t j = 0; j < k; ++j) {
            const Curve& earlier = curves[j];
            Curve& curve = curves[k];
            const bool same = curve.frequencies == earlier.frequencies &&
                              curve.levels.size() == earlier.levels.size() &&
                              std::equal(curve.levels.begin(), curve.levels.end(),
                                         earlier.levels.begin(), [](float a, float b) {
                                             return (std::isnan(a) && std::isnan(b)) || a == b ||
                                                    std::fabs(static_cast<double>(a) - b) <= 0.01;
                                         });
            if (!same) continue;
            curve.dashed = true;
            curve.label += " (same as " + earlier.label + ")";
            break;
        }
    }
}

std::string gnuplotQuoted(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + "'";
}

std::string terminalLines(PlotFormat format, int width, int height, const std::string& outputPath) {
    const std::string size = std::to_string(width) + "," + std::to_string(height);
    const std::string terminal =
        format == PlotFormat::png
            ? "set terminal pngcairo size " + size + " noenhanced font 'sans,10'"
            : "set terminal svg size " + size + " noenhanced font 'sans,12'";
    return "set encoding utf8\n" + terminal + " background rgb 'white'\nset output " +
           gnuplotQuoted(outputPath) + "\n";
}

std::string responsePlotScript(const std::vector<Curve>& curves, const std::string& title,
                               PlotFormat format, const std::string& outputPath) {
    const YRange range = yRangeFor(curves);
    std::string script =
        terminalLines(format, 800, 500 + 20 * static_cast<int>(curves.size() / 2), outputPath);
    for (std::size_t k = 0; k < curves.size(); ++k) script += dataBlock(curves[k], k);
    char yRange[64];
    std::snprintf(yRange, sizeof yRange, "set yrange [%g:%g]\n", range.low, range.high);
    return script + "set title " + gnuplotQuoted(title) + "\n" + kLogFrequencyAxis + kResponseAxes +
           yRange + "set key outside below center maxrows " +
           std::to_string(std::max<std::size_t>(2, (curves.size() + 1) / 2)) + " width 2\n" +
           plotCommand(curves) + "unset output\n";
}

PlotResult renderPicture(OutputSet& set, const std::string& name,
                         const std::function<std::string(const std::string&)>& script,
                         const std::string& searchPath) {
    const std::optional<std::string> gnuplot = findProgram("gnuplot", searchPath);
    if (!gnuplot) {
        return {PlotOutcome::rendererMissing, "gnuplot not found; " + name + " not written"};
    }
    std::string picture;
    if (auto failure = set.reserve(name, picture)) return {PlotOutcome::failed, *failure};
    std::optional<std::string> problem = runScript(*gnuplot, script(picture), picture);
    if (!problem && !isNonEmptyFile(picture)) problem = "gnuplot wrote no picture";
    if (problem) {
        set.drop(name);
        return {PlotOutcome::failed, *problem + "; " + name + " not written"};
    }
    return {};
}

int drawAndCommit(OutputSet& set, const std::vector<Picture>& pictures, const ToolIo& io) {
    std::string missing;
    for (const Picture& picture : pictures) {
        const PlotResult plot = renderPicture(set, picture.name, picture.script, io.searchPath);
        if (plot.outcome == PlotOutcome::failed) {
            io.report(plot.message);
            return kExitWarning;
        }
        if (plot.outcome == PlotOutcome::rendererMissing) {
            missing += (missing.empty() ? "" : " and ") + picture.name;
        }
    }
    if (auto problem = set.commit()) {
        io.report(*problem);
        return kExitWarning;
    }
    if (!missing.empty()) {
        io.report("gnuplot not found; " + missing + " not written");
        return kExitWarning;
    }
    return kExitDone;
}

}  // namespace opbaff::tools
