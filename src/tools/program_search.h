// Finding a program the way a shell does, on a colon-separated search path.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace opbaff::tools {

// The first "<dir>/<name>" on `searchPath` that is an executable regular
// file; an empty entry stands for the working directory.
std::optional<std::string> findProgram(std::string_view name, std::string_view searchPath);

// Runs `program` with standard input read from `inputPath`; standard output
// and error stay the tool's own. Returns nothing when the program exited with
// status 0, else a short reason ("exit status 1", "killed by signal 9", or the
// system's reason it could not start).
std::optional<std::string> runWithInput(const std::string& program, const std::string& inputPath);

}  // namespace opbaff::tools
