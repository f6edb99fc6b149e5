// The phase of a response value as an FRD file prints it (the phase itself is
// the library's, opbaff/phase.h).
#pragma once

#include <string>

#include "opbaff/phase.h"

namespace opbaff::tools {

// The phase as written to an FRD file: four decimals, still inside (-180, 180]
// after rounding (a value that would print as -180.0000 prints as 180.0000).
std::string formatPhase(double degrees);

}  // namespace opbaff::tools
