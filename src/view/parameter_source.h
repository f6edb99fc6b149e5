// The parameter file read from disk and parsed, or the one-line reason why not.
#pragma once

#include <cstddef>
#include <string>
#include <variant>

#include "model/parameter_set.h"

namespace opbaff::view {

// A parameter file holds fifteen short lines; anything larger is refused.
inline constexpr std::size_t kParameterFileLimit = std::size_t{1} << 20;

// The failure, ready to follow "opbaff-view: ": "<file>: <reason>".
struct ParameterProblem {
    std::string message;
};

using FileText = std::variant<std::string, ParameterProblem>;

// The whole file (at most `limit` bytes): a missing, unreadable or too large
// file, or a directory, gives the system's reason.
FileText readParameterText(const std::string& path, std::size_t limit = kParameterFileLimit);

using LoadedParameters = std::variant<ParameterSet, ParameterProblem>;

// Reads and parses the file as the program does; a file that the reader
// rejects gives the reader's place and reason.
LoadedParameters loadParameters(const std::string& path, Real pi);

}  // namespace opbaff::view
