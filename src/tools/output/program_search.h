// Finding a program the way a shell does, on a colon-separated search path.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace opbaff::tools {

// The first "<dir>/<name>" on `searchPath` that is an executable regular
// file; an empty entry stands for the working directory.
std::optional<std::string> findProgram(std::string_view name, std::string_view searchPath);

}  // namespace opbaff::tools
