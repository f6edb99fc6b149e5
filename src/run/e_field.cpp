#include "run/e_field.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace opbaff {

namespace {

// The text at the right end of the field, blanks in front of it.
EField rightAligned(std::string_view text) {
    EField field{};
    field.fill(' ');
    const std::size_t length = text.size() < field.size() ? text.size() : field.size();
    text.copy(field.data() + (field.size() - length), length);
    return field;
}

// "d.dddddddE±x" (eight significant digits) for a positive magnitude; the mantissa is moved one
// place so that it reads 0.dddddddd, and the exponent is raised by one to match.
EField formatMagnitude(double magnitude, bool negative) {
    std::array<char, 32> scientific{};
    static_cast<void>(std::snprintf(scientific.data(), scientific.size(), "%#.7E", magnitude));
    const char firstDigit = scientific[0];
    const char* const otherDigits = scientific.data() + 2;
    const auto exponent =
        static_cast<int>(std::strtol(std::strchr(scientific.data(), 'E') + 1, nullptr, 10));
    std::array<char, 48> text{};
    static_cast<void>(std::snprintf(text.data(), text.size(), "%s0.%c%.7sE%+.2d",
                                    negative ? "-" : "", firstDigit, otherDigits, exponent + 1));
    return rightAligned(text.data());
}

}  // namespace

EField formatEField(Real value) {
    const double wide = value;
    if (std::isnan(wide)) return rightAligned("NaN");
    if (std::isinf(wide)) return rightAligned(wide < 0.0 ? "-Infinity" : "Infinity");
    if (wide == 0.0) return rightAligned("0.00000000E+00");
    const bool negative = wide < 0.0;
    return formatMagnitude(negative ? -wide : wide, negative);
}

}  // namespace opbaff
