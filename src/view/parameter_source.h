// The parameter file read through the library, or the one-line reason why not.
#pragma once

#include <string>
#include <variant>

#include "opbaff/parameter_file.h"

namespace opbaff::view {

// The failure, ready to follow "opbaff-view: ": "<file>: <reason>".
struct ParameterProblem {
    std::string message;
};

using LoadedParameters = std::variant<ParameterFile, ParameterProblem>;

// Reads the file as the program does; a file that cannot be opened gives the
// system's reason, one that the reader rejects the reader's place and reason.
LoadedParameters loadParameters(const std::string& path);

}  // namespace opbaff::view
