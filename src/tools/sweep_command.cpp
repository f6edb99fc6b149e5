#include <CLI/CLI.hpp>

#include "tools/command_line.h"

namespace opbaff::tools {

void addSweepCommands(CLI::App&, Runner&) {}

}  // namespace opbaff::tools
