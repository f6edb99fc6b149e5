// A float in its fewest digits, as the notes of checkDesign and the tools print
// it: every finite float reads back to itself, bit for bit, and the texts that
// notes and file comments hold do not change.
#include "opbaff/short_number.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

namespace opbaff {
namespace {

float readBack(const std::string& text) {
    float value = 0.0F;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_EQ(error, std::errc{}) << text;
    EXPECT_EQ(end, text.data() + text.size()) << text;
    return value;
}

// The significant digits of a number's text, without leading or trailing
// zeros: "-0.00512e+7" and "5120" have three.
int significantDigits(const std::string& text) {
    std::string digits;
    for (const char c : text.substr(0, text.find('e'))) {
        if (c >= '0' && c <= '9' && !(digits.empty() && c == '0')) digits += c;
    }
    digits.erase(digits.find_last_not_of('0') + 1);
    return static_cast<int>(digits.size());
}

TEST(ShortNumberTest, TextsTheNotesHold) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {0.7F, "0.7"},
        {22.5F, "22.5"},
        {60.0F, "60"},
        {-0.005F, "-0.005"},
        {0.0F, "0"},
        {-0.0F, "-0"},
        {1e20F, "1e+20"},
        {std::numeric_limits<float>::max(), "3.4028235e+38"},
        {std::numeric_limits<float>::denorm_min(), "1e-45"},
        {std::numeric_limits<float>::infinity(), "inf"},
        {-std::numeric_limits<float>::infinity(), "-inf"},
        {std::numeric_limits<float>::quiet_NaN(), "nan"},
    };
    for (const auto& c : cases) EXPECT_EQ(shortNumber(c.value), c.text) << c.text;
}

// Bit patterns spread over every exponent, subnormals and both signs included:
// each text reads back to the float's own bits, and one with a fraction or an
// exponent would not with a significant digit fewer. (A whole number that is
// shorter written out, such as 34156552, is written out in full.)
TEST(ShortNumberTest, FewestDigitsThatReadBackToTheSameBits) {
    for (std::uint64_t bits = 0; bits <= 0xFFFFFFFFU; bits += 0x10001) {
        const auto value = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
        if (!std::isfinite(value)) continue;
        const std::string text = shortNumber(value);
        ASSERT_EQ(std::bit_cast<std::uint32_t>(readBack(text)), std::bit_cast<std::uint32_t>(value))
            << text;
        const int digits = significantDigits(text);
        if (digits < 2 || text.find_first_of(".e") == std::string::npos) continue;
        char fewer[400];
        std::snprintf(fewer, sizeof fewer, "%.*g", digits - 1, static_cast<double>(value));
        ASSERT_NE(readBack(fewer), value) << text << " could be " << fewer;
    }
}

}  // namespace
}  // namespace opbaff
