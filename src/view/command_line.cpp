#include "view/command_line.h"

#include <cstddef>

#include "view/program_version.h"

namespace opbaff::view {
namespace {

CommandLineExit usageError(const std::string& what) {
    return {std::string(kProgramName) + ": " + what + " (try --help)\n", true, 2};
}

}  // namespace

std::string usageText() {
    return std::string("Usage: ") + kProgramName +
           " [--png] [--output-dir DIR] [PARAMETER_FILE]\n"
           "\n"
           "Computes the open-baffle response for PARAMETER_FILE (default: Opbaffin.txt)\n"
           "and writes, into DIR (default: the working directory):\n"
           "  one FRD file (frequency in Hz, level in dB, phase in degrees) per response\n"
           "  column of the model: opbaff-rectangular-on-axis.frd,\n"
           "  opbaff-round-baffle-on-axis.frd, opbaff-rectangular-off-axis.frd and\n"
           "  opbaff-no-path.frd for the rectangular baffle; opbaff-single-path-full-rear.frd,\n"
           "  opbaff-single-path-bare-rear.frd and opbaff-no-path.frd for the single path;\n"
           "  a plot of the levels, opbaff-response.svg (opbaff-response.png with --png),\n"
           "  drawn by gnuplot.\n"
           "\n"
           "  --png             write the plot as PNG instead of SVG\n"
           "  --output-dir DIR  write the files into DIR\n"
           "  --help            show this text\n"
           "\n"
           "Exit status: 0 done (also when gnuplot is missing: the FRD files are written),\n"
           "1 an output file could not be written, 2 a bad command line or parameter file.\n";
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    ViewOptions options;
    bool haveFile = false;
    bool optionsEnded = false;
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        const bool isOption = !optionsEnded && argument.size() > 1 && argument[0] == '-';
        if (isOption && argument == "--help") return CommandLineExit{usageText(), false, 0};
        if (isOption && argument == "--png") {
            options.format = PlotFormat::png;
        } else if (isOption && argument == "--output-dir") {
            if (++k == arguments.size()) return usageError("--output-dir needs a folder");
            options.outputDir = arguments[k];
        } else if (isOption && argument == "--") {
            optionsEnded = true;
        } else if (isOption) {
            return usageError("unknown option '" + argument + "'");
        } else if (haveFile) {
            return usageError("more than one parameter file");
        } else {
            options.parameterFile = argument;
            haveFile = true;
        }
    }
    return options;
}

}  // namespace opbaff::view
