// opbaff-view: the earlier name of "opbaff-design plot", kept for scripts that
// call it. Takes the same options and writes the same files.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    opbaff::tools::ToolIo io{std::cout, std::cerr};
    if (const char* path = std::getenv("PATH")) io.searchPath = path;
    io.programName = "opbaff-view";
    return opbaff::tools::runDesignTool(arguments, io, "plot");
}
