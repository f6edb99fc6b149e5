// The E16.8 fields and the 66-byte lines of the result file.
#include "format/result_row.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "model/result_row.h"

namespace opbaff {
namespace {

std::string text(const EField& field) {
    return {field.begin(), field.end()};
}

struct FieldCase {
    Real value;
    const char* field;
};

TEST(FormatEField, WritesEightSignificantDigitsAfterZeroPoint) {
    const std::vector<FieldCase> cases = {
        {0.0F, "  0.00000000E+00"},
        {-0.0F, "  0.00000000E+00"},
        {-6.0206F, " -0.60205998E+01"},
        {-100.0F, " -0.10000000E+03"},
        {12.345678F, "  0.12345678E+02"},
        {0.5F, "  0.50000000E+00"},
        {1.0F, "  0.10000000E+01"},
        {-0.001234F, " -0.12340000E-02"},
        {1.0e-5F, "  0.99999997E-05"},
        {123456789.0F, "  0.12345679E+09"},
        {std::numeric_limits<Real>::max(), "  0.34028235E+39"},
        {-std::numeric_limits<Real>::max(), " -0.34028235E+39"},
        {std::numeric_limits<Real>::denorm_min(), "  0.14012985E-44"},
        {std::numeric_limits<Real>::min(), "  0.11754944E-37"},
        // Rounding to eight digits carries into a new power of ten.
        {1.0e-6F, "  0.10000000E-05"},
        {1.0e12F, "  0.10000000E+13"},
        // Exponent 0 and exponents of one digit either way.
        {0.099999994F, "  0.99999994E-01"},
        {-9.8765432F, " -0.98765430E+01"},
    };
    for (const FieldCase& c : cases) {
        EXPECT_EQ(text(formatEField(c.value)), c.field) << c.value;
    }
}

TEST(FormatEField, WritesNonFiniteLevelsRightAligned) {
    const std::vector<FieldCase> cases = {
        {std::numeric_limits<Real>::infinity(), "        Infinity"},
        {-std::numeric_limits<Real>::infinity(), "       -Infinity"},
        {std::numeric_limits<Real>::quiet_NaN(), "             NaN"},
        {-std::numeric_limits<Real>::quiet_NaN(), "             NaN"},
    };
    for (const FieldCase& c : cases) {
        EXPECT_EQ(text(formatEField(c.value)), c.field) << c.value;
    }
}

TEST(FormatResultLine, PutsFourFieldsInColumnOrderAndEndsWithCrLf) {
    struct LineCase {
        ResultRow levels;
        std::string line;
    };
    const std::vector<LineCase> cases = {
        {{-34.520271F, -35.450958F, -100.0F, 0.0F},
         " -0.34520271E+02 -0.35450958E+02 -0.10000000E+03  0.00000000E+00\r\n"},
        {{1.0F, std::numeric_limits<Real>::infinity(), 0.5F, -0.001234F},
         "  0.10000000E+01        Infinity  0.50000000E+00 -0.12340000E-02\r\n"},
    };
    for (const LineCase& c : cases) {
        const ResultLine line = formatResultLine(c.levels);
        EXPECT_EQ(std::string(line.begin(), line.end()), c.line);
    }
}

}  // namespace
}  // namespace opbaff
