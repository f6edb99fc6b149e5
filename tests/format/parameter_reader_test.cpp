// The parameter file as a whole: where values are sought, what is skipped, how
// the file may end, and the listening angle.
#include <cmath>
#include <string>

#include "reader_test_support.h"

namespace opbaff::readertest {
namespace {

TEST(ParameterReader, ReadsTheFifteenRecordsInOrder) {
    const std::string text =
        "0.5 header\n'R' rectangular\n100 cm high\n60 cm wide\n30 from side 2\n20 above bottom\n"
        "17 diameter\n40 Hz\n0.7 Q\n2 m\nn rear phase\ny piston\n45 round\nd half level\n"
        "30 degrees\n";
    const ParameterSet set = setOf(readAllWays(text));
    EXPECT_EQ(set.headerValue, 0.5F);
    EXPECT_EQ(set.modelCode, makeCode("R"));
    EXPECT_EQ(set.baffleHeightCm, 100.0F);
    EXPECT_EQ(set.baffleWidthCm, 60.0F);
    EXPECT_EQ(set.driverXCm, 30.0F);
    EXPECT_EQ(set.driverYCm, 20.0F);
    EXPECT_EQ(set.driverDiameterCm, 17.0F);
    EXPECT_EQ(set.resonanceHz, 40.0F);
    EXPECT_EQ(set.qualityFactor, 0.7F);
    EXPECT_EQ(set.listenerDistanceM, 2.0F);
    EXPECT_EQ(set.rearPhaseCode, makeCode("n"));
    EXPECT_EQ(set.pistonCode, makeCode("y"));
    EXPECT_EQ(set.roundBaffleDiameterCm, 45.0F);
    EXPECT_EQ(set.rearLevelCode, makeCode("d"));
    EXPECT_EQ(set.offAxisAngleDeg, 30.0F);
}

struct LayoutCase {
    const char* name;
    std::string text;
    std::string sameAs;  // a plainly written file that must read identically
};

const std::string kPlain = plainFile();

const LayoutCase kLayouts[] = {
    {"blank and empty lines anywhere before a value",
     "\n\n  \t\n1\n\nr\n \n100\n\t\n60\n30\n20\n20\n40\n0.7\n2\nx\ny\n40\nx\n\n\n30\n", kPlain},
    {"blanks and tabs around values",
     "  1\t\n\tr  \n 100 \n60\n30\n20\n20\n40\n0.7\n2\nx\ny\n40\nx\n30", kPlain},
    {"remarks after a blank, tab, comma or slash",
     "1 one\nr,two\n100/three\n60\tfour\n30 ,five\n20, six\n20 / seven\n40\n0.7\n2\nx two words\n"
     "y\n40\nx\n30 last",
     kPlain},
    {"a second value on a line is skipped",
     "1 2\nr r\n100 99\n60 9\n30,9\n20/9\n20\n40\n0.7\n2\n"
     "x y\ny x\n40\nx\n30 40",
     kPlain},
    {"lines after the fifteenth value are never read", kPlain + "garbage\n'\n#\n", kPlain},
    {"the fifteenth value needs no line end", firstRecords(15, false), kPlain},
    {"a comma or slash makes record 1 null",
     ",\nr\n100\n60\n30\n20\n20\n40\n0.7\n2\nx\ny\n40\nx\n30\n", fileWith(1, "0")},
    {"a slash with a remark makes record 1 null", fileWith(1, "/ title"), fileWith(1, "0")},
    {"a null code reads as three blanks", fileWith(2, ","), fileWith(2, "''")},
    {"a remark line before a code gives its first word",
     "1\nrect is the model\n100\n60\n30\n20\n20\n40\n0.7\n2\nx\ny\n40\nx\n30\n",
     fileWith(2, "rec")},
};

TEST(ParameterReader, LayoutDoesNotChangeTheValues) {
    for (const auto& c : kLayouts) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(describe(readAllWays(c.text)), describe(readText(c.sameAs)));
    }
}

struct FailureCase {
    const char* name;
    std::string text;
    std::string report;
};

const FailureCase kFailures[] = {
    {"an empty file", "", "list in: end of file"},
    {"a file of blank lines", "  \n\n\t\n", "list in: end of file"},
    {"fourteen values, last line ended", firstRecords(14, true), "list in: end of file"},
    {"fourteen values, then blanks", firstRecords(14, true) + "   ", "list in: end of file"},
    {"fourteen values, last line not ended", firstRecords(14, false), "read start: end of file"},
    {"fourteen values, last with a remark", firstRecords(13, true) + "x remark",
     "read start: end of file"},
    {"one value, line not ended", "1", "read start: end of file"},
    {"a null record at the very end", firstRecords(13, true) + ",", "read start: end of file"},
    {"a repeated null code at the very end", firstRecords(13, true) + "2*",
     "read start: end of file"},
    {"an unclosed code runs to the end", "1\n'r\n100\n60\n", "read start: end of file"},
    {"an unclosed code in record 14", firstRecords(13, true) + "\"d\n30\n",
     "read start: end of file"},
    {"a repeat count at the end before a Real", firstRecords(14, true) + "2*",
     "invalid number: incomprehensible list input"},
    {"a title in place of record 1", "Open baffle\n" + firstRecords(15, true),
     "invalid number: incomprehensible list input"},
    {"a remark line before a Real", fileWith(3, "height in cm"),
     "invalid number: incomprehensible list input"},
    {"a byte-order mark", "\xEF\xBB\xBF" + firstRecords(15, true),
     "invalid number: incomprehensible list input"},
    {"25deg", fileWith(15, "25deg"), "exponent field: incomprehensible list input"},
    {"a count without a number", fileWith(9, "*0.7"),
     "bad repetition count: incomprehensible list input"},
};

TEST(ParameterReader, FailuresNameThePlaceAndReason) {
    for (const auto& c : kFailures) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(describe(readAllWays(c.text)), c.report);
    }
}

TEST(ParameterReader, FailureFieldsAreFilledForTheReport) {
    const auto endOfFile = std::get<ReadFailure>(readText(""));
    EXPECT_EQ(endOfFile.place, "list in");
    EXPECT_TRUE(endOfFile.endOfFile);
    EXPECT_EQ(endOfFile.reason, "");
    const auto invalid = std::get<ReadFailure>(readText("x"));
    EXPECT_EQ(invalid.place, "invalid number");
    EXPECT_FALSE(invalid.endOfFile);
    EXPECT_EQ(invalid.reason, "incomprehensible list input");
}

struct AngleCase {
    const char* text;
    float expected;
};

const AngleCase kAngles[] = {
    {"0", 1.0e-4F},       {"-0", 1.0e-4F},        {"-0.005", 1.0e-4F},
    {"0.005", 1.0e-4F},   {"90", 1.57079637F},    {"-90", -1.57079637F},
    {"180", 3.14159274F}, {"-30", -0.523598790F}, {"-0.0058", -1.01229096e-4F},
};

TEST(ParameterReader, ConvertsTheListeningAngleToRadians) {
    for (const auto& c : kAngles) {
        SCOPED_TRACE(c.text);
        const ParameterSet set = setOf(readText(fileWith(15, c.text)));
        EXPECT_EQ(bitsOf(set.offAxisAngle), bitsOf(c.expected));
        EXPECT_EQ(set.offAxisAngleDeg, std::stof(c.text) + 0.0F);
    }
}

}  // namespace
}  // namespace opbaff::readertest
