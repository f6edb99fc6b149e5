// The fifteen values of the parameter file, in file order, and the listening
// angle in radians derived from the last of them.
#pragma once

#include <array>
#include <cstring>

#include "model/libf2c.h"
#include "model/real.h"

namespace opbaff {

// A three-character code, blank-padded on the right ("y  ").
using Code = std::array<char, 3>;

// Builds a Code from a literal of at most three characters, padding with blanks.
constexpr Code makeCode(const char* text) {
    Code code{' ', ' ', ' '};
    for (std::size_t k = 0; k < code.size() && text[k] != '\0'; ++k) code[k] = text[k];
    return code;
}

// Byte-for-byte, case-sensitive comparison of two three-character strings.
inline bool codeEquals(const Code& code, const Code& value) {
    return s_cmp(code.data(), value.data(), 3, 3) == 0;
}

struct ParameterSet {
    Real headerValue = 0.0F;        // read and ignored
    Code modelCode = makeCode("");  // "r"/"R" rectangular, "u"/"U" half delay
    Real baffleHeightCm = 0.0F;
    Real baffleWidthCm = 0.0F;
    Real driverXCm = 0.0F;  // driver centre to the side edge of side 2
    Real driverYCm = 0.0F;  // driver centre above the bottom edge
    Real driverDiameterCm = 0.0F;
    Real resonanceHz = 0.0F;
    Real qualityFactor = 0.0F;
    Real listenerDistanceM = 0.0F;
    Code rearPhaseCode = makeCode("");  // "n" switches the rear phase factor off
    Code pistonCode = makeCode("");     // "y" switches the piston factor on
    Real roundBaffleDiameterCm = 0.0F;
    Code rearLevelCode = makeCode("");  // "d" halves the rear level
    Real offAxisAngleDeg = 0.0F;
    Real offAxisAngle = 0.0F;  // radians, never closer to 0 than 1e-4
};

}  // namespace opbaff
