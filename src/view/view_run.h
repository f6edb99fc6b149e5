// One run of the tool: parameters in, FRD files and the plot out.
#pragma once

#include <ostream>
#include <string>

#include "view/command_line.h"

namespace opbaff::view {

inline constexpr int kExitDone = 0;
inline constexpr int kExitOutputFailed = 1;
inline constexpr int kExitBadInput = 2;

// Reads the parameter file, writes one FRD file per response column and the
// plot (gnuplot looked up on `searchPath`), and returns the exit status.
// Failures are one line each on `errors`; a bad parameter file leaves no file.
int runView(const ViewOptions& options, const std::string& searchPath, std::ostream& errors);

}  // namespace opbaff::view
