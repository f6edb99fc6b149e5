// Reals in every form the parameter file allows, read as record 3.
#include <limits>
#include <string>

#include "reader_test_support.h"

namespace opbaff::readertest {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

struct NumberCase {
    std::string text;
    float expected;
};

// 1 + 2^-24 + 2^-53: the midpoint between the double 1 + 2^-24 (itself midway
// between two Reals) and the next double up.
const std::string kDoubleMidpoint = "1.00000005960464488641292746251565404236316680908203125";

const NumberCase kNumbers[] = {
    // The forms of 25.
    {"25", 25.0F},
    {"25.", 25.0F},
    {".25E2", 25.0F},
    {"2.5d1", 25.0F},
    {"+2.5e+1", 25.0F},
    {"2.5+1", 25.0F},
    {"2.5D+1", 25.0F},
    {"250e-1", 25.0F},
    {"2500-2", 25.0F},
    {"0025.000", 25.0F},
    {"-25", -25.0F},
    {"-2.5E1", -25.0F},
    {"-.5", -0.5F},
    {"5.e0", 5.0F},
    {"0.1", 0.1F},
    {"1.4e-45", std::numeric_limits<float>::denorm_min()},
    // Exponents: leading zeros allowed, at most 99999999.
    {"1e0000000000000000000000005", 1e5F},
    {"1E+000000000099999999", kInf},
    {"1e99999999", kInf},
    {"1e-99999999", 0.0F},
    {"0e99999999", 0.0F},
    // Range: infinities, and zeros always positive.
    {"1e39", kInf},
    {"-1e39", -kInf},
    {"3.4028235e38", std::numeric_limits<float>::max()},
    {"1e-46", 0.0F},
    {"-1e-46", 0.0F},
    {"-0", 0.0F},
    {"-0.0e5", 0.0F},
    {"0", 0.0F},
    // Only the first 40 significant digits count; leading zeros are not significant.
    {kDoubleMidpoint + "1", 1.0F},
    {"1234567890123456789012345678901234567890123456789e-44", 12345.678901234567890F},
    {"1234567890123456789012345678901234567890.123456789e-35", 12345.678901234567890F},
    {"0." + std::string(60, '0') + "25e62", 25.0F},
    {std::string(60, '0') + "25", 25.0F},
    {"1" + std::string(45, '0'), kInf},
    // Converted to double, then rounded to a Real: 1 + 2^-24 + 1e-29 is read as
    // the double 1 + 2^-24, a tie that rounds to even.
    {"1.00000005960464477539062500001", 1.0F},
    {"1.0000000596046449", 1.00000012F},
    // The number ends at the first character that cannot continue it.
    {"150cm", 150.0F},
    {"1,5", 1.0F},
    {"1 5", 1.0F},
    {"1\t5", 1.0F},
    {"1/5", 1.0F},
    {"2.5.3", 2.5F},
    {"1q5", 1.0F},
    {"7'x'", 7.0F},
    {std::string("3\0"
                 "5",
                 3),
     3.0F},
    {"3\r5", 3.0F},
    // Repeat counts.
    {"2*5", 5.0F},
    {"+2*5", 5.0F},
    {"2*-5", -5.0F},
    {"12*.5e1", 5.0F},
    {"2*3*4", 3.0F},
    {"0001234567890123456789012345678901234567890*5", 5.0F},
    // Records without a value.
    {"2* 5", 0.0F},
    {"2*\t5", 0.0F},
    {"2*,5", 0.0F},
    {"2*/", 0.0F},
    {"2*", 0.0F},
    {",", 0.0F},
    {"/", 0.0F},
    {", 5", 0.0F},
    {" \t 25", 25.0F},
};

TEST(ParameterReaderNumbers, EveryFormReadsItsValue) {
    for (const auto& c : kNumbers) {
        SCOPED_TRACE(c.text);
        const ParameterSet set = setOf(readAllWays(fileWith(3, c.text)));
        EXPECT_EQ(bitsOf(set.baffleHeightCm), bitsOf(c.expected));
        EXPECT_EQ(set.baffleWidthCm, 60.0F) << "the next record comes from the next line";
    }
}

struct RejectedCase {
    std::string text;
    std::string report;
};

const RejectedCase kRejected[] = {
    // Nothing that can begin a number.
    {"abc", "invalid number: incomprehensible list input"},
    {"#1", "invalid number: incomprehensible list input"},
    {"-", "invalid number: incomprehensible list input"},
    {"+", "invalid number: incomprehensible list input"},
    {".", "invalid number: incomprehensible list input"},
    {"-,", "invalid number: incomprehensible list input"},
    {".,", "invalid number: incomprehensible list input"},
    {"-/", "invalid number: incomprehensible list input"},
    {"+ 5", "invalid number: incomprehensible list input"},
    {"-+5", "invalid number: incomprehensible list input"},
    {"+.e5", "invalid number: incomprehensible list input"},
    {"e5", "invalid number: incomprehensible list input"},
    {"'25'", "invalid number: incomprehensible list input"},
    {"\xEF\xBB\xBF"
     "25",
     "invalid number: incomprehensible list input"},
    {"\r25", "invalid number: incomprehensible list input"},
    {"2*x", "invalid number: incomprehensible list input"},
    {"2*-", "invalid number: incomprehensible list input"},
    {"2*.,", "invalid number: incomprehensible list input"},
    {"2**5", "invalid number: incomprehensible list input"},
    // Exponents without digits, or too large.
    {"25deg", "exponent field: incomprehensible list input"},
    {"1e", "exponent field: incomprehensible list input"},
    {"1e+", "exponent field: incomprehensible list input"},
    {"1E-x", "exponent field: incomprehensible list input"},
    {"1+", "exponent field: incomprehensible list input"},
    {"1d", "exponent field: incomprehensible list input"},
    {"1.5e+ 3", "exponent field: incomprehensible list input"},
    {"1e+-3", "exponent field: incomprehensible list input"},
    {"1e100000000", "exponent field: incomprehensible list input"},
    {"1E-100000000", "exponent field: incomprehensible list input"},
    {"1e00100000000", "exponent field: incomprehensible list input"},
    {"2*1e", "exponent field: incomprehensible list input"},
    // Repeat counts that are missing, zero, negative or too long.
    {"*5", "bad repetition count: incomprehensible list input"},
    {"*", "bad repetition count: incomprehensible list input"},
    {"0*5", "bad repetition count: incomprehensible list input"},
    {"00*5", "bad repetition count: incomprehensible list input"},
    {"+0*5", "bad repetition count: incomprehensible list input"},
    {"-2*5", "bad repetition count: incomprehensible list input"},
    {"-*5", "bad repetition count: incomprehensible list input"},
    {"+*5", "bad repetition count: incomprehensible list input"},
    {"1" + std::string(40, '0') + "*5", "bad repetition count: incomprehensible list input"},
};

TEST(ParameterReaderNumbers, MalformedNumbersStopTheRead) {
    for (const auto& c : kRejected) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(describe(readAllWays(fileWith(3, c.text))), c.report);
    }
}

TEST(ParameterReaderNumbers, EveryRealRecordIsReadAsANumber) {
    const std::size_t realRecords[] = {1, 3, 4, 5, 6, 7, 8, 9, 10, 13, 15};
    for (const std::size_t record : realRecords) {
        SCOPED_TRACE(record);
        EXPECT_EQ(describe(readText(fileWith(record, "yes"))),
                  "invalid number: incomprehensible list input");
    }
}

}  // namespace
}  // namespace opbaff::readertest
