#include "format/result_row.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "api/fp_environment.h"

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

// The magnitude rounded to eight significant digits, d.dddddddE±x, is the
// "%.7E" conversion of printf; std::to_chars is specified to give that same
// conversion, without printf's per-call cost. The mantissa is moved one place
// so that it reads 0.dddddddd, and the exponent raised by one to match.
EField formatMagnitude(double magnitude, bool negative) {
    std::array<char, 32> scientific{};
    const auto converted = std::to_chars(scientific.data(), scientific.data() + scientific.size(),
                                         magnitude, std::chars_format::scientific, 7);
    const char* const exponentText = std::find(scientific.data(), converted.ptr, 'e') + 1;
    int exponent = 0;
    std::from_chars(exponentText + (*exponentText == '+' ? 1 : 0), converted.ptr, exponent);
    exponent += 1;

    // Every Real's exponent n lies in -44..+39: two digits always suffice.
    std::array<char, kFieldWidth> text{};
    std::size_t length = 0;
    if (negative) text[length++] = '-';
    text[length++] = '0';
    text[length++] = '.';
    text[length++] = scientific[0];
    std::copy_n(scientific.data() + 2, 7, text.data() + length);
    length += 7;
    text[length++] = 'E';
    text[length++] = exponent < 0 ? '-' : '+';
    const int digits = exponent < 0 ? -exponent : exponent;
    text[length++] = static_cast<char>('0' + digits / 10);
    text[length++] = static_cast<char>('0' + digits % 10);
    return rightAligned(std::string_view(text.data(), length));
}

}  // namespace

EField formatEField(Real value) {
    const ExactEnvironment exact;
    return eFieldOf(value);
}

EField eFieldOf(Real value) {
    const double wide = value;
    if (std::isnan(wide)) return rightAligned("NaN");
    if (std::isinf(wide)) return rightAligned(wide < 0.0 ? "-Infinity" : "Infinity");
    if (wide == 0.0) return rightAligned("0.00000000E+00");
    const bool negative = wide < 0.0;
    return formatMagnitude(negative ? -wide : wide, negative);
}

ResultLine formatResultLine(const std::array<float, 4>& levels) {
    const ExactEnvironment exact;
    return resultLineOf(levels);
}

ResultLine resultLineOf(const std::array<float, 4>& levels) {
    ResultLine line{};
    auto next = line.begin();
    for (const float level : levels) {
        const EField field = eFieldOf(level);
        next = std::copy(field.begin(), field.end(), next);
    }
    *next++ = '\r';
    *next = '\n';
    return line;
}

}  // namespace opbaff
