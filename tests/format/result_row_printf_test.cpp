// The E16.8 field against the same field composed from printf's "%#.7E"
// conversion, over Reals of every magnitude.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "format/result_row.h"

namespace opbaff {
namespace {

std::string viaPrintf(Real value) {
    char digits[32];
    const double magnitude = std::fabs(static_cast<double>(value));
    std::snprintf(digits, sizeof digits, "%#.7E", magnitude);
    const int exponent = static_cast<int>(std::strtol(std::strchr(digits, 'E') + 1, nullptr, 10));
    char text[32];
    std::snprintf(text, sizeof text, "%16s", "");
    const int length = std::snprintf(text, sizeof text, "%s0.%c%.7sE%+.2d", value < 0 ? "-" : "",
                                     digits[0], digits + 2, exponent + 1);
    return std::string(16 - length, ' ') + text;
}

std::string field(Real value) {
    const EField f = formatEField(value);
    return std::string(f.begin(), f.end());
}

TEST(EFieldConversion, AgreesWithPrintfOverEveryMagnitude) {
    std::mt19937 random(20261209);
    int checked = 0;
    for (int k = 0; k < 300000; ++k) {
        const Real value = std::bit_cast<Real>(static_cast<std::uint32_t>(random()));
        if (!std::isfinite(value) || value == 0.0F) continue;
        ASSERT_EQ(field(value), viaPrintf(value)) << std::hexfloat << value;
        ++checked;
    }
    EXPECT_GT(checked, 290000);
}

// Reals whose ninth significant digit is an exact 5: both conversions round
// such ties to even.
TEST(EFieldConversion, ExactTiesAtTheNinthDigit) {
    for (const Real value : {100.015625F, 100.046875F, 1234567.25F, 1234567.75F, -100.015625F,
                             0.0078125F * 1.0F, 3.90625e-3F, 12.3203125F}) {
        EXPECT_EQ(field(value), viaPrintf(value)) << value;
    }
    EXPECT_EQ(field(100.015625F), "  0.10001562E+03");
    EXPECT_EQ(field(100.046875F), "  0.10004688E+03");
}

}  // namespace
}  // namespace opbaff
