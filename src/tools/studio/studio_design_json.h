// Designs as JSON objects, with the field names of opbaff::Design:
// {"model": "rectangular", "baffleHeightCm": 100, ..., "rearPhaseFactor": "on",
//  "pistonFactor": "on", "roundBaffleDiameterCm": 60, "rearLevel": "full",
//  "offAxisAngleDeg": 30}.
#pragma once

#include <string>
#include <string_view>

#include "opbaff/design.h"
#include "opbaff/result.h"
#include "studio_json_writer.h"

namespace opbaff::tools {

// The design a JSON text holds. Every field is required and no other is
// allowed; numbers are read straight to the nearest float (no rounding through
// double), so that the fewest digits of a float read back as that float. The
// error names the field: "missing field 'qualityFactor'", "field
// 'baffleWidthCm' must be a number, not a string", "unknown field 'colour'",
// "field 'driverXCm': number overflow parsing '1e39'", or says why the text is
// no JSON object ("malformed JSON: ...").
Result<Design, std::string> designFromJson(std::string_view text);

// The design as one JSON object, its numbers as appendJsonNumber writes them.
void writeDesign(JsonWriter& writer, const Design& design);

}  // namespace opbaff::tools
