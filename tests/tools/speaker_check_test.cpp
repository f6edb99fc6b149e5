// check on speaker files: the summary and its notes on a driver off the
// baffle, on its border or overlapping another, and the reader's error with
// its file, line, column and key; the exit status of each, as text and JSON.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "temp_dir.h"
#include "tool_test_support.h"

namespace opbaff::tools::test {
namespace {

std::string exampleText() {
    std::ifstream in(std::string(OPBAFF_TEST_DATA) + "/two-way.toml", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The example with the first occurrence of `from` replaced by `to`.
std::string exampleWith(const std::string& from, const std::string& to) {
    std::string text = exampleText();
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

struct SpeakerCheckCase {
    const char* name;
    const char* from;  // replaced in the example ("" keeps it)
    const char* to;
    int status;
    const char* out;  // in standard output
    const char* err;  // in standard error, after the file's path; "": nothing there
};

void PrintTo(const SpeakerCheckCase& c, std::ostream* out) {
    *out << c.name;
}

class SpeakerCheck : public testing::TestWithParam<SpeakerCheckCase> {};

TEST_P(SpeakerCheck, SummaryNotesOrErrorWithStatus) {
    const SpeakerCheckCase& c = GetParam();
    const TempDir dir;
    const std::string path = dir.file("speaker.toml");
    std::ofstream(path, std::ios::binary)
        << (*c.from == '\0' ? exampleText() : exampleWith(c.from, c.to));
    const ToolRun run = runTool({"check", path});
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    EXPECT_NE(run.out.find(c.out), std::string::npos) << run.out;
    if (*c.err == '\0') {
        EXPECT_EQ(run.err, "");
        const char* count[] = {": no notes\n", ": 1 note\n"};
        EXPECT_NE(run.out.find(path + count[c.status]), std::string::npos) << run.out;
    } else {
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(path + c.err), std::string::npos) << run.err;
    }
}

const SpeakerCheckCase kCases[] = {
    {"GoodFile", "", "", 0,
     "driver \"woofer\": centre (20, 35) cm, diameter 30 cm, rear on at 0 dB", ""},
    {"GoodFileFilters", "", "", 0, "    filter: linkwitz-riley-high-pass, order 4, 1000 Hz\n", ""},
    {"DriverOffTheBaffle", "centre = [20.0, 80.0]", "centre = [60.0, 80.0]", 1,
     "note: driver \"tweeter\" at (60, 80) cm is off the baffle", ""},
    {"DriverOnTheBorder", "centre = [20.0, 80.0]", "centre = [40.0, 80.0]", 1,
     "is on the baffle's border", ""},
    {"DriversOverlap", "centre = [20.0, 35.0]", "centre = [20.0, 70.0]", 1,
     "drivers \"woofer\" and \"tweeter\" overlap: their centres are 10 cm apart", ""},
    {"LinkwitzRileyOfOrderThree", "order = 4", "order = 3", 2, "",
     ":31:9: driver[0].filter[0].order: a Linkwitz-Riley filter's order must be"},
    {"SpeakerFilter", "[[driver]]\nname = \"woofer\"",
     "[[filter]]\nkind = \"peaking\"\nfrequency_hz = 300.0\ngain_db = -3.0\n[[driver]]\n"
     "name = \"woofer\"",
     0,
     "    filter: linkwitz-riley-high-pass, order 4, 1000 Hz\nspeaker filter: peaking, 300 Hz, "
     "-3 dB, Q 0.7071\n",
     ""},
    {"UnknownKey", "rear = true", "rear = true\nbackwards = 1", 2, "",
     ":28:1: driver[0].backwards: unknown key"},
};

INSTANTIATE_TEST_SUITE_P(Tools, SpeakerCheck, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SpeakerCheckJson, GoodAndBadFilesAsDocuments) {
    const TempDir dir;
    std::ofstream(dir.file("good.toml"), std::ios::binary) << exampleText();
    std::ofstream(dir.file("bad.toml"), std::ios::binary)
        << exampleWith("frequency_hz = 1000.0", "frequency_hz = -1000.0");
    const ToolRun good = runTool({"check", "--json", dir.file("good.toml")});
    ASSERT_EQ(good.status, 0) << good.err;
    const auto document = nlohmann::json::parse(good.out);
    EXPECT_TRUE(document["readable"].get<bool>());
    ASSERT_EQ(document["speaker"]["drivers"].size(), 2U);
    EXPECT_EQ(document["speaker"]["drivers"][1]["name"], "tweeter");
    EXPECT_EQ(document["speaker"]["referenceCm"][1].get<double>(), 80.0);
    EXPECT_EQ(document["noteCount"].get<int>(), 0);
    const ToolRun bad = runTool({"check", "--json", dir.file("bad.toml")});
    ASSERT_EQ(bad.status, 2);
    const auto failure = nlohmann::json::parse(bad.out);
    EXPECT_FALSE(failure["readable"].get<bool>());
    EXPECT_EQ(failure["error"]["line"].get<int>(), 32);
    EXPECT_EQ(failure["error"]["column"].get<int>(), 16);
    EXPECT_EQ(failure["error"]["key"], "driver[0].filter[0].frequency_hz");
}

}  // namespace
}  // namespace opbaff::tools::test
