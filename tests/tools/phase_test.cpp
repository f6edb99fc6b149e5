// Phases as the FRD files print them: four decimals inside (-180, 180].
#include "phase.h"

#include <gtest/gtest.h>

#include <string>

namespace opbaff::tools {
namespace {

struct FormatCase {
    double degrees;
    const char* text;
};

void PrintTo(const FormatCase& c, std::ostream* out) {
    *out << c.degrees;
}

class FormatPhaseTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatPhaseTest, FourDecimalsInsideTheRange) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(formatPhase(c.degrees), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatPhaseTest,
    testing::Values(FormatCase{0.0, "0.0000"}, FormatCase{12.345678, "12.3457"},
                    FormatCase{-90.00004, "-90.0000"}, FormatCase{179.99996, "180.0000"},
                    FormatCase{180.0, "180.0000"}, FormatCase{-179.9999, "-179.9999"},
                    // would print as -180.0000, outside the range
                    FormatCase{-179.99996, "180.0000"}));

}  // namespace
}  // namespace opbaff::tools
