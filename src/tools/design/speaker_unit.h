// The unit a speaker file's lengths are written in, for tools that take
// lengths on the command line in the file's own unit (opbaff::speakerFileUnit
// names it).
#pragma once

#include <string_view>

namespace opbaff::tools {

// Metres in one of the unit ("cm": 0.01, "in": 0.0254).
double unitMetres(std::string_view unit);

}  // namespace opbaff::tools
