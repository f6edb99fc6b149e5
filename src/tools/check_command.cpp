#include <CLI/CLI.hpp>

#include "tools/command_line.h"

namespace opbaff::tools {

void addCheckCommand(CLI::App&, Runner&) {}

}  // namespace opbaff::tools
