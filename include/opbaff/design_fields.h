// opbaff: the ten numeric fields of a design, once: name, unit, the record of
// the parameter file that holds the field, its member of Design, a short
// meaning, and what an input of it needs (a label, a step, plausible values).
// The parameter file's records, its writer, the notes of checkDesign and the
// studio's inputs are made from this table.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

#include "opbaff/design.h"

namespace opbaff {

// What a field describes, for grouping it with its kind.
enum class DesignPart { baffle, driver, listener };

// "baffle", "driver" or "listener".
constexpr const char* designPartName(DesignPart part) {
    switch (part) {
        case DesignPart::baffle:
            return "baffle";
        case DesignPart::driver:
            return "driver";
        case DesignPart::listener:
            return "listener";
    }
    return "";
}

struct DesignField {
    const char* name;  // as in Design and the parameter file's remarks
    const char* unit;  // "cm", "m", "Hz", "degrees", or "-" for none
    int record;        // 1-based record of the parameter file
    float Design::*member;
    const char* meaning;
    const char* label;  // a short name for a person: "Width", "Resonance fs"
    DesignPart part;
    bool rectangularOnly;  // only the rectangular model uses it
    // A step of an input, and the values a design plausibly takes: neither
    // bounds what the library computes.
    float step;
    float low;
    float high;
};

// In record order.
inline constexpr std::array<DesignField, 10> kDesignFields{{
    {"baffleHeightCm", "cm", 3, &Design::baffleHeightCm, "height of the rectangular baffle",
     "Height", DesignPart::baffle, true, 1.0F, 20.0F, 300.0F},
    {"baffleWidthCm", "cm", 4, &Design::baffleWidthCm, "width of the rectangular baffle", "Width",
     DesignPart::baffle, true, 1.0F, 20.0F, 300.0F},
    {"driverXCm", "cm", 5, &Design::driverXCm, "driver centre to the side edge of side 2",
     "From left edge", DesignPart::driver, true, 1.0F, 0.0F, 300.0F},
    {"driverYCm", "cm", 6, &Design::driverYCm, "driver centre above the bottom edge",
     "Above bottom", DesignPart::driver, true, 1.0F, 0.0F, 300.0F},
    {"driverDiameterCm", "cm", 7, &Design::driverDiameterCm, "diameter of the driver's piston",
     "Diameter", DesignPart::driver, false, 1.0F, 2.0F, 60.0F},
    {"resonanceHz", "Hz", 8, &Design::resonanceHz, "resonance of the driver's high-pass",
     "Resonance fs", DesignPart::driver, false, 1.0F, 5.0F, 1000.0F},
    {"qualityFactor", "-", 9, &Design::qualityFactor, "Q of the driver's high-pass", "Q",
     DesignPart::driver, false, 0.05F, 0.1F, 5.0F},
    {"listenerDistanceM", "m", 10, &Design::listenerDistanceM, "driver centre to the listener",
     "Distance", DesignPart::listener, false, 0.1F, 0.3F, 20.0F},
    {"roundBaffleDiameterCm", "cm", 13, &Design::roundBaffleDiameterCm,
     "diameter of the round baffle centred on the driver", "Round baffle \u2300",
     DesignPart::baffle, false, 1.0F, 0.0F, 300.0F},
    {"offAxisAngleDeg", "degrees", 15, &Design::offAxisAngleDeg,
     "listening angle, horizontal plane", "Off-axis angle", DesignPart::listener, true, 5.0F,
     -90.0F, 90.0F},
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
