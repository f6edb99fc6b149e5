#include "plot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "level_warnings.h"
#include "frd.h"
#include "program_search.h"
#include "renderer_process.h"
#include "words.h"

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
                   gnuplotQuoted(curves[k].label +
                                 (hasFiniteLevel(curves[k].levels) ? "" : " (no finite level)"));
    }
    return command + "\n";
}

// The last `count` bytes of the file (fewer if it is shorter), and its size.
std::string fileTail(int fd, std::size_t count, off_t& size) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) return {};
    size = status.st_size;
    const off_t start = std::max<off_t>(0, size - static_cast<off_t>(count));
    std::string tail(static_cast<std::size_t>(size - start), '\0');
    const ssize_t got = ::pread(fd, tail.data(), tail.size(), start);
    tail.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return tail;
}

std::string fileHead(int fd, std::size_t count) {
    std::string head(count, '\0');
    const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
    head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return head;
}

// The picture gnuplot writes on its standard output, copied into the file.
PlotResult drawInto(OutputSet& set, const std::string& picture, const std::string& gnuplot,
                    const std::string& script, PlotFormat format) {
    const int fd = ::open(picture.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return {PlotOutcome::failed, picture + ": " + std::strerror(errno), {}};
    RendererRun run = runRenderer(gnuplot, script, fd, set.interrupts());
    if (::close(fd) != 0 && run.writeError == 0) run.writeError = errno;
    if (run.interruptedBy != 0) {
        return {PlotOutcome::interrupted, "interrupted by " + signalName(run.interruptedBy), {}};
    }
    if (run.writeError != 0) {
        return {PlotOutcome::failed, picture + ": " + std::strerror(run.writeError), {}};
    }
    if (run.failure) return {PlotOutcome::failed, "gnuplot failed (" + *run.failure + ")", {}};
    if (auto error = gnuplotErrorLine(run.errorOutput)) {
        return {PlotOutcome::failed, "gnuplot failed (" + *error + ")", {}};
    }
    if (auto problem = wholePictureProblem(picture, format)) {
        return {PlotOutcome::failed, "gnuplot " + *problem, {}};
    }
    return {PlotOutcome::written, {}, run.errorOutput};
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

const char* const kNothingToDraw = "no finite level to draw";

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
        // A curve that draws nothing hides nothing and hides behind nothing.
        if (!hasFiniteLevel(curves[k].levels)) continue;
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

// gnuplot takes everything between single quotes as it stands (no escapes, no
// backquote or macro substitution) up to the next quote that is not doubled;
// only a line end can cut it short, and the text shown has none.
std::string gnuplotQuoted(std::string_view text) {
    std::string quoted = "'";
    for (const char c : visibleText(text)) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + "'";
}

std::string terminalLines(PlotFormat format, int width, int height) {
    const std::string size = std::to_string(width) + "," + std::to_string(height);
    const std::string terminal =
        format == PlotFormat::png
            ? "set terminal pngcairo size " + size + " noenhanced font 'sans,10'"
            : "set terminal svg size " + size + " noenhanced font 'sans,12'";
    return "set encoding utf8\n" + terminal + " background rgb 'white'\n";
}

std::string responsePlotScript(const std::vector<Curve>& curves, const std::string& title,
                               PlotFormat format) {
    const YRange range = yRangeFor(curves);
    std::string script = terminalLines(format, 800, 500 + 20 * static_cast<int>(curves.size() / 2));
    for (std::size_t k = 0; k < curves.size(); ++k) script += dataBlock(curves[k], k);
    char yRange[64];
    std::snprintf(yRange, sizeof yRange, "set yrange [%g:%g]\n", range.low, range.high);
    const bool empty = std::none_of(curves.begin(), curves.end(),
                                    [](const Curve& c) { return hasFiniteLevel(c.levels); });
    if (empty)
        script += "set label 1 " + gnuplotQuoted(kNothingToDraw) + " at graph 0.5, 0.5 center\n";
    return script + "set title " + gnuplotQuoted(title) + "\n" + kLogFrequencyAxis + kResponseAxes +
           yRange + "set key outside below center maxrows " +
           std::to_string(std::max<std::size_t>(2, (curves.size() + 1) / 2)) + " width 2\n" +
           plotCommand(curves);
}

std::optional<std::string> wholePictureProblem(const std::string& path, PlotFormat format) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "left no picture (" + std::string(std::strerror(errno)) + ")";
    off_t size = 0;
    std::string tail = fileTail(fd, 64, size);
    const std::string head = fileHead(fd, 8);
    ::close(fd);
    if (size == 0) return "wrote no picture";
    if (format == PlotFormat::png) {
        static const std::string kSignature("\x89PNG\r\n\x1a\n", 8);
        // An IEND chunk: length 0, its type, and its CRC.
        static const std::string kEnd("\0\0\0\0IEND\xae\x42\x60\x82", 12);
        if (head != kSignature) return "wrote no PNG picture";
        if (!tail.ends_with(kEnd)) return "wrote a PNG picture cut short (no IEND chunk)";
        return std::nullopt;
    }
    while (!tail.empty() && std::isspace(static_cast<unsigned char>(tail.back()))) tail.pop_back();
    if (!head.starts_with("<?xml") && !head.starts_with("<svg")) return "wrote no SVG picture";
    if (!tail.ends_with("</svg>")) return "wrote an SVG picture cut short (no closing </svg>)";
    return std::nullopt;
}

// gnuplot reports an error in a script as the line, a caret and
// "line N: <message>", a warning as "line N: warning: <message>"; the system's
// and libraries' complaints say "error".
std::optional<std::string> gnuplotErrorLine(const std::string& errorOutput) {
    std::size_t start = 0;
    while (start < errorOutput.size()) {
        std::size_t end = errorOutput.find('\n', start);
        if (end == std::string::npos) end = errorOutput.size();
        std::string line = errorOutput.substr(start, end - start);
        start = end + 1;
        const std::size_t text = line.find_first_not_of(" \t\r");
        if (text == std::string::npos) continue;
        line.erase(0, text);
        std::string lower = line;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const bool located = lower.starts_with("line ") && lower.find(": ") != std::string::npos;
        const bool warning = lower.find("warning") != std::string::npos;
        if (!warning && (located || lower.find("error") != std::string::npos)) {
            return visibleText(line);
        }
    }
    return std::nullopt;
}

PlotResult renderPicture(OutputSet& set, const std::string& name, PlotFormat format,
                         const std::string& script, const std::string& searchPath) {
    const std::optional<std::string> gnuplot = findProgram("gnuplot", searchPath);
    if (!gnuplot) {
        return {PlotOutcome::rendererMissing, "gnuplot not found; " + name + " not written", {}};
    }
    std::string picture;
    if (auto failure = set.reserve(name, picture)) {
        const bool stop = set.interruptedBy() != 0;
        return {stop ? PlotOutcome::interrupted : PlotOutcome::failed, *failure, {}};
    }
    PlotResult result = drawInto(set, picture, *gnuplot, script, format);
    if (result.outcome != PlotOutcome::written) {
        set.drop(name);
        if (result.outcome == PlotOutcome::failed) result.message += "; " + name + " not written";
    }
    return result;
}

// gnuplot's warnings, each line on its own report.
void reportWarnings(const std::string& warnings, const ToolIo& io) {
    std::size_t start = 0;
    while (start < warnings.size()) {
        std::size_t end = warnings.find('\n', start);
        if (end == std::string::npos) end = warnings.size();
        const std::string line = warnings.substr(start, end - start);
        const std::size_t text = line.find_first_not_of(" \t\r");
        if (text != std::string::npos) io.report("gnuplot: " + visibleText(line.substr(text)));
        start = end + 1;
    }
}

int drawAndCommit(OutputSet& set, const std::vector<Picture>& pictures, const ToolIo& io) {
    std::string missing;
    for (const Picture& picture : pictures) {
        const PlotResult plot =
            renderPicture(set, picture.name, picture.format, picture.script(), io.searchPath);
        if (plot.outcome == PlotOutcome::interrupted) break;
        if (plot.outcome == PlotOutcome::failed) {
            io.report(plot.message);
            return kExitWarning;
        }
        if (plot.outcome == PlotOutcome::rendererMissing) {
            missing += (missing.empty() ? "" : " and ") + picture.name;
        }
        reportWarnings(plot.warnings, io);
    }
    if (auto problem = set.commit()) {
        io.report(*problem + (set.interruptedBy() != 0 ? "; the folder is as it was" : ""));
        return set.interruptedBy() != 0 ? 128 + set.interruptedBy() : kExitWarning;
    }
    if (!missing.empty()) {
        io.report("gnuplot not found; " + missing + " not written");
        return kExitWarning;
    }
    return kExitDone;
}

}  // namespace opbaff::tools
