// Three-character codes in every form the parameter file allows, read as record 12.
#include <string>

#include "reader_test_support.h"

namespace opbaff::readertest {
namespace {

struct CodeCase {
    std::string text;      // record 12 and whatever lines it runs on to
    std::string expected;  // three characters
};

const CodeCase kCodes[] = {
    // Bare codes, cut or padded to three.
    {"y", "y  "},
    {"y remark", "y  "},
    {"y\tremark", "y  "},
    {"y,z", "y  "},
    {"y/z", "y  "},
    {"yes", "yes"},
    {"Y", "Y  "},
    {"rect", "rec"},
    {"y'z'", "y'z"},
    {"a\rb", "a\rb"},
    {"\xEF\xBB\xBFy", "\xEF\xBB\xBF"},
    {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t"},
    // Delimited codes.
    {"'y'", "y  "},
    {"\"y\"", "y  "},
    {"'y' remark", "y  "},
    {"'y'z", "y  "},
    {"''", "   "},
    {"\"\"", "   "},
    {"'a b'", "a b"},
    {"'a,/'", "a,/"},
    {"'it''s'", "it'"},
    {"''''", "'  "},
    {"\"a\"\"b\"", "a\"b"},
    {"'a\"b'", "a\"b"},
    {"\"a'b\"", "a'b"},
    {"'abcdef'", "abc"},
    // Line ends inside a delimited code are dropped; a backslash directly
    // before one becomes a line feed.
    {"'a\nb'", "ab "},
    {"'\nab'", "ab "},
    {"'a\n\nb'", "ab "},
    {"'a\\\nb'", "a\nb"},
    {"'a\\\n\nb'", "a\nb"},
    {"'a\\b'", "a\\b"},
    {"'abc\\\n'", "abc"},
    // A NUL ends a code early.
    {std::string("a\0b", 3), "a  "},
    {std::string("'a\0b'", 5), "a  "},
    {std::string("\0ab", 3), "   "},
    // Digits: a repeat count only before an asterisk, and not when it is 0.
    {"12", "12 "},
    {"1234", "123"},
    {"5'a'", "5'a"},
    {"2*y", "y  "},
    {"10*yes", "yes"},
    {"2*'ab'", "ab "},
    {"2*\"a\"\"\"", "a\" "},
    {"2**", "*  "},
    {"0*y", "0*y"},
    {"00*y", "00*"},
    {"0*", "0* "},
    {"2*\nabc", "\nab"},
    // Records without a value.
    {"2* y", "   "},
    {"2*\ty", "   "},
    {"2*,y", "   "},
    {"2*/", "   "},
    {",", "   "},
    {"/y", "   "},
    {" \t y", "y  "},
};

TEST(ParameterReaderCodes, EveryFormReadsItsCode) {
    for (const auto& c : kCodes) {
        SCOPED_TRACE(escaped(makeCode(c.expected.c_str())) + " from " + c.text);
        const ParameterSet set = setOf(readAllWays(fileWith(12, c.text)));
        EXPECT_EQ(std::string(set.pistonCode.data(), 3), c.expected);
        EXPECT_EQ(set.roundBaffleDiameterCm, 40.0F) << "the next record comes from the next line";
    }
}

TEST(ParameterReaderCodes, BackslashBeforeCrLfBecomesALineFeed) {
    const ParameterSet set = setOf(readText(fileWith(12, "'a\\\r\nb'")));
    EXPECT_EQ(std::string(set.pistonCode.data(), 3), "a\nb");
}

TEST(ParameterReaderCodes, EveryCodeRecordIsReadAsACode) {
    struct Slot {
        std::size_t record;
        Code ParameterSet::*code;
    };
    const Slot slots[] = {{2, &ParameterSet::modelCode},
                          {11, &ParameterSet::rearPhaseCode},
                          {12, &ParameterSet::pistonCode},
                          {14, &ParameterSet::rearLevelCode}};
    for (const auto& slot : slots) {
        SCOPED_TRACE(slot.record);
        const ParameterSet set = setOf(readText(fileWith(slot.record, "'1.5e3'")));
        EXPECT_EQ(std::string((set.*slot.code).data(), 3), "1.5");
    }
}

}  // namespace
}  // namespace opbaff::readertest
