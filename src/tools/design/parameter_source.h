// Parameter files for the toolkit: read through the library, or the one-line
// reason why not.
#pragma once

#include <string>
#include <string_view>

#include "opbaff/parameter_file.h"

namespace opbaff::tools {

// The file, read exactly as the program reads it. The failure, ready to follow
// "<program>: ", is "<path>: <system's reason>" for a file that cannot be
// opened, else "<path>: <reader's reason> (record N, line L)".
Result<ParameterFile, std::string> loadParameterFile(const std::string& path);

// The same words for a failure of any source, `name` standing for the file.
std::string readFailureText(const std::string& name, const ReadFailure& failure);

// The same, followed by ". Hint: " and the probable cause when a common slip
// fits the bytes that were read (see fileSlipHint).
std::string readFailureText(const std::string& name, const ReadFailure& failure,
                            std::string_view bytes);

// The failure of reading the file at `path`, with a hint from its first bytes
// when it is a regular file.
std::string readFailureTextOfFile(const std::string& path, const std::string& name,
                                  const ReadFailure& failure);

}  // namespace opbaff::tools
