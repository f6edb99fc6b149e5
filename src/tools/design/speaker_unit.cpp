// Metres in a speaker file's unit.
#include "speaker_unit.h"

namespace opbaff::tools {

double unitMetres(std::string_view unit) {
    return unit == "in" ? 0.0254 : 0.01;
}

}  // namespace opbaff::tools
