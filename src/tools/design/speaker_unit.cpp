// The unit of a speaker file, read by the TOML parser the file's reader uses.
#include "speaker_unit.h"

#include <toml++/toml.h>

namespace opbaff::tools {

std::string speakerFileUnit(std::string_view text) {
    try {
        const toml::table table = toml::parse(text);
        return table["unit"].value_or(std::string("cm")) == "in" ? "in" : "cm";
    } catch (const toml::parse_error&) {
        return "cm";
    }
}

double unitMetres(std::string_view unit) {
    return unit == "in" ? 0.0254 : 0.01;
}

}  // namespace opbaff::tools
