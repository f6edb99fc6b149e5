// Malformed speaker files: each error names the line, the column and the
// dotted key of the value at fault, with a sentence that says why.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "opbaff/speaker_file.h"

namespace opbaff {
namespace {

// A good file; each case replaces one of its lines (1-based) with its own text,
// which may hold several lines.
const std::vector<std::string> kGoodLines = {
    R"(name = "test")",                                          // 1
    R"([baffle])",                                               // 2
    R"(width = 40.0)",                                           // 3
    R"(height = 100.0)",                                         // 4
    R"([listening])",                                            // 5
    R"(reference = [20.0, 80.0])",                               // 6
    R"([[driver]])",                                             // 7
    R"(name = "woofer")",                                        // 8
    R"(centre = [20.0, 35.0])",                                  // 9
    R"(response = { kind = "measured", file = "woofer.frd" })",  // 10
    R"([[driver.filter]])",                                      // 11
    R"(kind = "linkwitz-riley-low-pass")",                       // 12
    R"(order = 4)",                                              // 13
    R"(frequency_hz = 1000.0)",                                  // 14
    R"([[driver]])",                                             // 15
    R"(name = "tweeter")",                                       // 16
    R"(centre = [20.0, 80.0])",                                  // 17
};

std::string fileWith(std::size_t line, const std::string& replacement) {
    std::string text;
    for (std::size_t i = 0; i < kGoodLines.size(); ++i) {
        text += (i + 1 == line ? replacement : kGoodLines[i]) + "\n";
    }
    return text;
}

FrdLoader testLoader() {
    static const std::map<std::string, std::string> files = {
        {"woofer.frd", "* measured at 1 m\n20 80 10\n2000 85 -30\n"},
        {"bad.frd", "# remark\n100 80 0\n200 eighty 0\n"},
        {"down.frd", "100 80\n200 81\n150 82\n"},
    };
    return [](const std::string& name) -> Result<std::string, FrdLoadError> {
        const auto found = files.find(name);
        if (found == files.end()) return FrdLoadError{"the FRD file \"" + name + "\" is missing"};
        return found->second;
    };
}

struct MalformedCase {
    const char* name;
    std::size_t line;  // the line replaced
    const char* replacement;
    int errorLine;
    int errorColumn;  // 0: not checked
    const char* key;
    const char* word;  // a word of the message
};

void PrintTo(const MalformedCase& c, std::ostream* out) {
    *out << c.name;
}

class MalformedFile : public testing::TestWithParam<MalformedCase> {};

TEST(SpeakerFile, TheGoodFileOfTheTableReads) {
    const auto speaker = parseSpeakerText(fileWith(0, ""), "good.toml", testLoader());
    ASSERT_TRUE(speaker) << speakerFileErrorText(speaker.error());
    ASSERT_EQ(speaker->drivers.size(), 2U);
    EXPECT_EQ(speaker->drivers[0].response.measured.frequenciesHz.size(), 2U);
}

TEST_P(MalformedFile, ErrorNamesLineColumnKeyAndReason) {
    const MalformedCase& c = GetParam();
    const auto speaker =
        parseSpeakerText(fileWith(c.line, c.replacement), "bad.toml", testLoader());
    ASSERT_FALSE(speaker);
    const SpeakerFileError& error = speaker.error();
    const std::string text = speakerFileErrorText(error);
    EXPECT_EQ(error.file, "bad.toml");
    EXPECT_EQ(error.line, c.errorLine) << text;
    if (c.errorColumn != 0) {
        EXPECT_EQ(error.column, c.errorColumn) << text;
    }
    EXPECT_EQ(error.key, c.key) << text;
    EXPECT_NE(error.message.find(c.word), std::string::npos) << text;
}

const MalformedCase kMalformed[] = {
    {"UnknownKey", 4, "height = 100.0\ncolour = \"red\"", 5, 1, "baffle.colour", "unknown key"},
    {"WrongType", 3, "width = \"40\"", 3, 9, "baffle.width", "must be a number, not a string"},
    {"OrderOutOfRange", 13, "order = 9", 13, 9, "driver[0].filter[0].order", "1 to 8, not 9"},
    {"LinkwitzRileyOrderThree", 13, "order = 3", 13, 9, "driver[0].filter[0].order",
     "2, 4, 6 or 8"},
    {"MissingReference", 6, "distance = 200.0", 5, 1, "listening.reference", "missing"},
    {"MissingFrequency", 14, "", 11, 1, "driver[0].filter[0].frequency_hz", "missing"},
    {"UnknownFilterKind", 12, "kind = \"bessel-low-pass\"", 12, 8, "driver[0].filter[0].kind",
     "unknown kind \"bessel-low-pass\""},
    {"UnknownResponseKind", 10, "response = { kind = \"horn\" }", 10, 21, "driver[0].response.kind",
     "unknown kind"},
    {"DuplicateDriverName", 16, "name = \"woofer\"", 16, 8, "driver[1].name", "same name"},
    {"MeasuredFileMissing", 10, "response = { kind = \"measured\", file = \"gone.frd\" }", 10, 40,
     "driver[0].response.file", "gone.frd"},
    {"FrdLineNotNumbers", 10, "response = { kind = \"measured\", file = \"bad.frd\" }", 10, 40,
     "driver[0].response.file", "bad.frd:3: \"eighty\" is not a finite number"},
    {"FrdFrequenciesNotIncreasing", 10, "response = { kind = \"measured\", file = \"down.frd\" }",
     10, 40, "driver[0].response.file", "down.frd:3: the frequencies must increase"},
    {"NegativeDiameter", 9, "centre = [20.0, 35.0]\ndiameter = -30.0", 10, 12, "driver[0].diameter",
     "0 or more (cm), not -30"},
    {"CornerTooLarge", 4, "height = 100.0\ncorners = \"chamfered\"\ncorner_size = 20.0", 6, 15,
     "baffle.corner_size", "below half the shorter side (20), not 20"},
    {"PolygonOfTwoPoints", 3, "polygon = [[0, 0], [40, 0]]", 3, 11, "baffle.polygon",
     "at least 3 corners"},
    {"UnknownUnit", 1, "unit = \"mm\"", 1, 8, "unit", "\"cm\" or \"in\""},
    {"GridReversed", 6, "reference = [20.0, 80.0]\n[grid]\nlowest_hz = 500.0\nhighest_hz = 100.0",
     9, 14, "grid.highest_hz", "below lowest_hz"},
    {"QNotPositive", 14,
     "frequency_hz = 1000.0\n[[driver.filter]]\nkind = \"peaking\"\n"
     "frequency_hz = 100.0\nq = 0.0",
     18, 5, "driver[0].filter[1].q", "above 0, not 0"},
    {"FrequencyNotFinite", 14, "frequency_hz = inf", 14, 16, "driver[0].filter[0].frequency_hz",
     "finite"},
    {"SpeakerFilterGainOnAPass", 6,
     "reference = [20.0, 80.0]\n[[filter]]\nkind = \"high-pass\"\nfrequency_hz = 30.0\n"
     "gain_db = 3.0",
     10, 11, "filter[0].gain_db", "only peaking and shelf"},
    {"SpeakerFilterNotATableArray", 1, "name = \"test\"\nfilter = 3", 2, 10, "filter",
     "([[filter]])"},
    {"TomlSyntax", 3, "width = = 4", 3, 0, "", ""},
};

INSTANTIATE_TEST_SUITE_P(SpeakerFile, MalformedFile, testing::ValuesIn(kMalformed),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SpeakerFile, MeasuredResponseWithoutLoaderIsAnErrorNotAThrow) {
    const auto speaker = parseSpeakerText(fileWith(0, ""), "good.toml");
    ASSERT_FALSE(speaker);
    EXPECT_EQ(speaker.error().key, "driver[0].response.file");
}

TEST(SpeakerFile, TextOverTheSizeLimitIsRefusedUnparsed) {
    std::string text = fileWith(0, "");
    text.append(kMaxSpeakerFileBytes, '#');
    const auto speaker = parseSpeakerText(text, "big.toml", testLoader());
    ASSERT_FALSE(speaker);
    EXPECT_EQ(speaker.error().line, 0);
    EXPECT_NE(speaker.error().message.find("larger than"), std::string::npos);
}

TEST(SpeakerFile, ErrorTextLeavesOutWhatIsUnknown) {
    EXPECT_EQ(speakerFileErrorText({"a.toml", 12, 3, "driver[1].filter[0].order", "must be"}),
              "a.toml:12:3: driver[1].filter[0].order: must be");
    EXPECT_EQ(speakerFileErrorText({"a.frd", 7, 0, "", "not a number"}), "a.frd:7: not a number");
    EXPECT_EQ(speakerFileErrorText({"a.toml", 0, 0, "", "too large"}), "a.toml: too large");
}

}  // namespace
}  // namespace opbaff
