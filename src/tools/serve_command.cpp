#include <CLI/CLI.hpp>

#include "tools/command_line.h"

namespace opbaff::tools {

void addServeCommand(CLI::App&, Runner&) {}

}  // namespace opbaff::tools
