#include "phase.h"

#include <cstdio>
#include <cstdlib>

namespace opbaff::tools {

std::string formatPhase(double degrees) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", degrees);
    if (std::strtod(text, nullptr) <= -180.0) std::snprintf(text, sizeof text, "%.4f", 180.0);
    return text;
}

}  // namespace opbaff::tools
