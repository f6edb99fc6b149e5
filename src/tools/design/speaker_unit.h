// The unit a speaker file's lengths are written in, for tools that take
// lengths on the command line in the file's own unit.
#pragma once

#include <string>
#include <string_view>

namespace opbaff::tools {

// "cm" or "in": the file's top-level `unit`, "cm" when it has none (or when
// the text does not read as TOML: readSpeakerFile reports that first).
std::string speakerFileUnit(std::string_view text);

// Metres in one of the unit ("cm": 0.01, "in": 0.0254).
double unitMetres(std::string_view unit);

}  // namespace opbaff::tools
