// opbaff: what in a design deserves a word before its response is trusted,
// although the model computes it: geometry that cannot be built, values that
// give levels that are not finite, a listener behind the baffle.
#pragma once

#include <string>
#include <vector>

#include "opbaff/design.h"
#include "opbaff/design_fields.h"
#include "opbaff/response.h"

namespace opbaff {

enum class DesignCheck {
    notFinite,           // a field that is infinite or NaN
    baffleNotBuildable,  // a rectangular baffle's height or width of 0 or below
    driverOffBaffle,     // the driver's centre outside the rectangular baffle
    driverWiderThanBaffle,
    behindBaffle,         // a listening angle beyond +-90 degrees (rectangular model)
    valueZero,            // a diameter, resonance, Q or distance of 0: a division by zero
    valueBelowZero,       // the same below 0: no physical meaning
    roundBaffleTooSmall,  // a round baffle smaller than the driver
    valueImplausible,     // outside the field's plausible low to high: swapped, or another unit?
    levelsNotFinite,      // rows of the response whose levels are not all finite
};

// A short name for files and JSON: "not-finite", "baffle-not-buildable",
// "driver-off-baffle", "driver-wider-than-baffle", "behind-baffle",
// "value-zero", "value-below-zero", "round-baffle-too-small",
// "value-implausible", "levels-not-finite". Never null.
const char* designCheckName(DesignCheck check);

struct DesignNote {
    DesignCheck check = DesignCheck::notFinite;
    // The field the note is about; nullptr for the design as a whole
    // (levelsNotFinite).
    const DesignField* field = nullptr;
    std::string text;  // one English sentence

    // The field's record of the parameter file, or 0 for the whole design.
    int record() const { return field != nullptr ? field->record : 0; }
};

// The notes on a design, most basic first: fields that are not finite; for the
// rectangular model its baffle, the driver's place on it and the listening
// angle; values of 0 or below that the model divides by; a round baffle
// smaller than the driver; values above 0 outside their field's plausible
// range (DesignField::low and high; the driver's place and the angle are
// checked above), saying when two of them look swapped or one looks written in
// another unit (metres or millimetres or inches for centimetres, centimetres
// or millimetres for metres); last, how many rows of `response` (the design's,
// on any grid) hold levels that are not finite numbers, if any do.
std::vector<DesignNote> checkDesign(const Design& design, const Response& response);

// The same with the design's response on the standard grid.
std::vector<DesignNote> checkDesign(const Design& design);

}  // namespace opbaff
