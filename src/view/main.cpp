// opbaff-view: the companion of opbaff. Computes the same response from a
// parameter file and writes it in forms other tools read: one FRD file per
// response column (frequency, level, phase) and a plot drawn by gnuplot.

#include <cstdlib>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "view/command_line.h"
#include "view/view_run.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const opbaff::view::CommandLine commandLine = opbaff::view::parseCommandLine(arguments);
    if (const auto* exit = std::get_if<opbaff::view::CommandLineExit>(&commandLine)) {
        (exit->toStandardError ? std::cerr : std::cout) << exit->text;
        return exit->status;
    }
    const char* searchPath = std::getenv("PATH");
    return opbaff::view::runView(std::get<opbaff::view::ViewOptions>(commandLine),
                                 searchPath != nullptr ? searchPath : "/usr/bin:/bin", std::cerr);
}
