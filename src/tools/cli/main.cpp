// opbaff-design: the designer's toolkit on the opbaff library. Checks parameter
// files, plots and exports responses, sweeps and compares designs, computes
// directivity, and serves an interactive studio.
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    opbaff::tools::ToolIo io{std::cout, std::cerr};
    if (const char* path = std::getenv("PATH")) io.searchPath = path;
    io.errIsTerminal = ::isatty(STDERR_FILENO) != 0;
    return opbaff::tools::runDesignTool(arguments, io);
}
