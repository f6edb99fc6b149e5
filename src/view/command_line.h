// The tool's command line: [--png] [--output-dir DIR] [PARAMETER_FILE].
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "view/plot_script.h"

namespace opbaff::view {

struct ViewOptions {
    std::string parameterFile = "Opbaffin.txt";
    std::string outputDir = ".";
    PlotFormat format = PlotFormat::svg;
};

// --help, or a command line that cannot be used: what to print, where, and
// the exit status.
struct CommandLineExit {
    std::string text;
    bool toStandardError = false;
    int status = 0;
};

using CommandLine = std::variant<ViewOptions, CommandLineExit>;

// The usage text that --help prints.
std::string usageText();

// The arguments after the program name.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

}  // namespace opbaff::view
