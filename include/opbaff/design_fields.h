// opbaff: the ten numeric fields of a design, once: name, unit, the record of
// the parameter file that holds the field, its member of Design, and a short
// meaning. The parameter file's records, its writer and the notes of
// checkDesign are made from this table.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

#include "opbaff/design.h"

namespace opbaff {

struct DesignField {
    const char* name;  // as in Design and the parameter file's remarks
    const char* unit;  // "cm", "m", "Hz", "degrees", or "-" for none
    int record;        // 1-based record of the parameter file
    float Design::*member;
    const char* meaning;
};

// In record order.
inline constexpr std::array<DesignField, 10> kDesignFields{{
    {"baffleHeightCm", "cm", 3, &Design::baffleHeightCm, "height of the rectangular baffle"},
    {"baffleWidthCm", "cm", 4, &Design::baffleWidthCm, "width of the rectangular baffle"},
    {"driverXCm", "cm", 5, &Design::driverXCm, "driver centre to the side edge of side 2"},
    {"driverYCm", "cm", 6, &Design::driverYCm, "driver centre above the bottom edge"},
    {"driverDiameterCm", "cm", 7, &Design::driverDiameterCm, "diameter of the driver's piston"},
    {"resonanceHz", "Hz", 8, &Design::resonanceHz, "resonance of the driver's high-pass"},
    {"qualityFactor", "-", 9, &Design::qualityFactor, "Q of the driver's high-pass"},
    {"listenerDistanceM", "m", 10, &Design::listenerDistanceM, "driver centre to the listener"},
    {"roundBaffleDiameterCm", "cm", 13, &Design::roundBaffleDiameterCm,
     "diameter of the round baffle centred on the driver"},
    {"offAxisAngleDeg", "degrees", 15, &Design::offAxisAngleDeg,
     "listening angle, horizontal plane"},
}};

// The field a record (1 to 15) holds, or nullptr for the first record and the
// four code records.
constexpr const DesignField* designFieldOfRecord(int record) {
    const auto* found = std::find_if(kDesignFields.begin(), kDesignFields.end(),
                                     [record](const DesignField& f) { return f.record == record; });
    return found == kDesignFields.end() ? nullptr : found;
}

// The field of that member (every float member of Design is in the table).
// cppcheck-suppress constParameter
constexpr const DesignField& designFieldOf(float Design::*member) {
    return *std::find_if(kDesignFields.begin(), kDesignFields.end(),
                         [member](const DesignField& f) { return f.member == member; });
}

}  // namespace opbaff
