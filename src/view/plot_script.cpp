#include "view/plot_script.h"

#include <cmath>

#include "view/frd_text.h"

namespace opbaff::view {
namespace {

std::string terminalLine(PlotFormat format) {
    if (format == PlotFormat::png) {
        return "set terminal pngcairo size 800,500 noenhanced font 'sans,10' background "
               "rgb 'white'\n";
    }
    return "set terminal svg size 800,500 noenhanced font 'sans,12' background rgb 'white'\n";
}

// 10 Hz to 20.5 kHz on a logarithmic axis, labelled at 1-2-5 steps (the
// first tic sits a hair inside the range: exactly at its end, the log scaling
// rounds it out of the range and drops its label).
const char* const kAxes =
    "set logscale x\n"
    "set xrange [10:20500]\n"
    "set xtics ('10' 10.0001, '20' 20, '50' 50, '100' 100, '200' 200, '500' 500, '1k' 1000, "
    "'2k' 2000, '5k' 5000, '10k' 10000, '20k' 20000)\n"
    "set mxtics 10\n"
    "set grid xtics ytics mxtics lc rgb '#d0d0d0', lc rgb '#ececec'\n"
    "set xlabel 'Frequency (Hz)'\n"
    "set ylabel 'Level (dB)'\n"
    "set key outside below center maxrows 2 width 2\n";

std::string plotCommand(const std::vector<OutputColumn>& columns) {
    std::string command = "plot";
    for (std::size_t k = 0; k < columns.size(); ++k) {
        command += k == 0 ? " " : ", \\\n     ";
        command += "$response using 1:" + std::to_string(columns[k].index + 2) +
                   " with lines linewidth 2 title " + gnuplotQuoted(columns[k].label);
    }
    return command + "\n";
}

}  // namespace

std::string plotFileName(PlotFormat format) {
    return format == PlotFormat::png ? "opbaff-response.png" : "opbaff-response.svg";
}

std::string gnuplotQuoted(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + "'";
}

std::string plotData(const Response& response) {
    std::string data;
    for (std::size_t i = 0; i < response.frequenciesHz.size(); ++i) {
        data += formatReal(response.frequenciesHz[i]);
        for (const ResponseColumn& column : response.columns) {
            const float level = column.levelsDb[i];
            data += ' ';
            data += std::isfinite(level) ? formatReal(level) : std::string("NaN");
        }
        data += "\n";
    }
    return data;
}

std::string plotScript(const Response& response, const std::vector<OutputColumn>& columns,
                       const std::string& title, PlotFormat format, const std::string& outputPath) {
    return "set encoding utf8\n" + terminalLine(format) + "set output " +
           gnuplotQuoted(outputPath) + "\n" + "$response << EOD\n" + plotData(response) + "EOD\n" +
           "set title " + gnuplotQuoted(title) + "\n" + kAxes + plotCommand(columns) +
           "unset output\n";
}

}  // namespace opbaff::view
