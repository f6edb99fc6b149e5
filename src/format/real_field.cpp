#include "format/real_field.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>

namespace opbaff {
namespace {

// Digits after the 40th significant one are not used; they only move the point.
constexpr std::size_t kSignificantDigits = 40;
constexpr std::int64_t kLargestExponent = 99999999;

bool isDigit(int c) {
    return c >= '0' && c <= '9';
}
bool isSign(int c) {
    return c == '+' || c == '-';
}
bool isExponentLetter(int c) {
    return c == 'E' || c == 'e' || c == 'D' || c == 'd';
}

// What may follow "N*" to leave the record without a value.
bool endsRepeatedNull(int c) {
    return c == ' ' || c == '\t' || c == ',' || c == '/' || c == '\n';
}

// A number's digits as far as they count: the significant digits kept, and the
// power of ten by which they are scaled (digits dropped before the point, and
// digits after it).
struct Mantissa {
    bool negative = false;
    bool anyDigit = false;  // leading zeros included
    std::array<char, kSignificantDigits> digits{};
    std::size_t count = 0;
    std::int64_t scale = 0;
};

void readSign(CharStream& in, Mantissa& m) {
    if (isSign(in.peek())) m.negative = in.get() == '-';
}

void readWholeDigits(CharStream& in, Mantissa& m) {
    while (isDigit(in.peek())) {
        const auto digit = static_cast<char>(in.get());
        m.anyDigit = true;
        if (digit == '0' && m.count == 0) continue;
        if (m.count < m.digits.size()) {
            m.digits[m.count++] = digit;
        } else {
            ++m.scale;
        }
    }
}

void readFractionDigits(CharStream& in, Mantissa& m) {
    while (isDigit(in.peek())) {
        const auto digit = static_cast<char>(in.get());
        m.anyDigit = true;
        if (m.count == m.digits.size()) continue;
        if (digit != '0' || m.count > 0) m.digits[m.count++] = digit;
        --m.scale;
    }
}

// A repeat count is a whole number of 1 to 40 significant digits without a minus.
bool isRepeatCount(const Mantissa& m) {
    return m.count > 0 && m.scale == 0 && !m.negative;
}

// Reads an optional exponent into `exponent`; false if it is malformed.
bool readExponent(CharStream& in, std::int64_t& exponent) {
    if (isExponentLetter(in.peek())) {
        in.get();
    } else if (!isSign(in.peek())) {
        return true;
    }
    bool negative = false;
    if (isSign(in.peek())) negative = in.get() == '-';
    if (!isDigit(in.peek())) return false;
    std::int64_t value = 0;
    while (isDigit(in.peek())) {
        value = value * 10 + (in.get() - '0');
        if (value > kLargestExponent) return false;
    }
    exponent = negative ? -value : value;
    return true;
}

// The digits are converted to the nearest double, which is then rounded to a
// Real. A zero result is +0 whatever the sign.
Real toReal(const Mantissa& m, std::int64_t exponent) {
    if (m.count == 0) return 0.0F;
    std::array<char, kSignificantDigits + 32> text{};
    char* end = text.data();
    if (m.negative) *end++ = '-';
    end = std::copy_n(m.digits.data(), m.count, end);
    *end++ = 'e';
    end = std::to_chars(end, text.data() + text.size() - 1, m.scale + exponent).ptr;
    *end = '\0';
    const auto value = static_cast<Real>(std::strtod(text.data(), nullptr));
    return value == 0.0F ? 0.0F : value;
}

// The number after the sign and the whole digits: point, fraction and exponent.
RealField finishNumber(CharStream& in, Mantissa& m) {
    if (in.peek() == '.') {
        in.get();
        readFractionDigits(in, m);
    }
    if (!m.anyDigit) return {FieldStatus::invalidNumber};
    std::int64_t exponent = 0;
    if (!readExponent(in, exponent)) return {FieldStatus::badExponent};
    return {FieldStatus::value, toReal(m, exponent)};
}

}  // namespace

RealField readRealField(CharStream& in) {
    Mantissa m;
    readSign(in, m);
    readWholeDigits(in, m);
    if (in.peek() != '*') return finishNumber(in, m);
    in.get();
    if (!isRepeatCount(m)) return {FieldStatus::badRepeatCount};
    if (endsRepeatedNull(in.peek())) return {FieldStatus::null};
    // A count only repeats the value, and each record reads one value.
    m = Mantissa{};
    readSign(in, m);
    readWholeDigits(in, m);
    return finishNumber(in, m);
}

}  // namespace opbaff
