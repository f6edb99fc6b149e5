// The check command: each note on the record it concerns, no note on a clean
// file, unreadable files with the reader's reason and place, the same notes in
// JSON, and the notes on designs built in code.
#include "check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tool_io.h"
#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

using nlohmann::json;

// The shipped example, each value followed by a remark.
std::string parameterText(const std::map<int, std::string>& changes = {}) {
    const char* values[] = {"0",   "r", "100", "60", "22", "70", "20", "40",
                            "0.7", "2", "x",   "y",  "60", "x",  "30"};
    std::string text;
    for (int record = 1; record <= 15; ++record) {
        const auto change = changes.find(record);
        text += (change != changes.end() ? change->second : values[record - 1]) + "  remark\n";
    }
    return text;
}

// The notes of one record (0: the design's) in the JSON document.
std::vector<std::string> notesOf(const json& document, int record) {
    const json& notes = record == 0 ? document["notes"] : document["records"][record - 1]["notes"];
    return notes.get<std::vector<std::string>>();
}

struct NoteCase {
    const char* name;
    std::map<int, std::string> changes;
    int record;
    const char* fragment;  // nullptr: no note at all
};

const NoteCase kNoteCases[] = {
    {"letter_o_for_zero", {{3, "1OO"}}, 3, "Is it a letter O for a zero? Then write 100."},
    {"letter_l_for_one", {{5, "2l"}}, 5, "\"2l\" reads as 2: \"l\" is skipped. Is it a letter l"},
    {"other_characters", {{8, "40#"}}, 8, "\"40#\" reads as 40: \"#\" is skipped."},
    {"decimal_comma", {{9, "0,7"}}, 9, "\"0,7\" reads as 0: a comma ends a number. Write 0.7."},
    {"inches", {{7, "8in"}}, 7, "8 in = 20.32 cm; write 20.32."},
    {"metres_for_cm", {{4, "0.6m"}}, 4, "0.6 m = 60 cm; write 60."},
    {"cm_for_metres", {{10, "200cm"}}, 10, "\"200cm\" reads as 200 m"},
    {"kilohertz", {{8, "0.04kHz"}}, 8, "0.04 kHz = 40 Hz; write 40."},
    {"other_quantity", {{8, "40cm"}}, 8, "this record is in Hz."},
    {"model_word", {{2, "rect"}}, 2, "\"rect\" is taken as 'rec', not r, R, u or U"},
    {"rear_phase_capital", {{11, "N"}}, 11, "rear phase factor on. Write n to turn"},
    {"piston_quoted_capital", {{12, "'Y'"}}, 12, "'Y' is taken as 'Y  ', not y: piston factor off"},
    {"rear_level_doubled", {{14, "dd"}}, 14, "not d: rear level full."},
    {"null_number", {{6, ","}}, 6, "No value (\",\"): the record reads as 0."},
    {"null_code", {{12, "/"}}, 12, "the code reads as three blanks, piston factor off."},
    {"driver_right_of_baffle", {{5, "75"}}, 5, "(x 75 cm) lies outside the 60 x 100 cm baffle"},
    {"driver_below_baffle", {{6, "-5"}}, 6, "(y -5 cm) lies outside"},
    {"driver_wider_than_baffle", {{7, "70"}}, 7, "(70 cm) is wider than the 60 x 100 cm baffle"},
    {"round_baffle_smaller", {{2, "s"}, {13, "15"}}, 13, "(15 cm) is smaller than the driver"},
    {"no_resonance", {{8, "0"}}, 8, "A resonance of 0 Hz divides by zero"},
    {"no_resonance_levels", {{8, "0"}}, 0, "81 of the 81 rows hold levels that are not finite"},
    {"no_round_baffle_levels", {{13, "0"}}, 0, "2 of the 81 rows hold levels"},
    {"negative_q", {{9, "-0.7"}}, 9, "A Q of -0.7 is below 0"},
    {"no_driver", {{7, "0"}}, 7, "A driver diameter of 0 cm describes no driver"},
    {"listener_at_driver", {{10, "0"}}, 10, "puts the listener on the driver"},
    {"listener_behind", {{15, "-120"}}, 15, "-120 degrees is beyond +-90"},
    {"infinite_height", {{3, "1e39"}}, 3, "baffleHeightCm is inf, not a finite number."},
    {"swapped_resonance_and_q",
     {{8, "0.6"}, {9, "30"}},
     8,
     "Resonance fs 0.6 Hz lies outside the plausible 5 to 1000 Hz, and Q 30 lies outside the "
     "plausible 0.1 to 5: swapped? Exchanged, both are plausible."},
    {"width_in_metres", {{4, "0.6"}}, 4, "plausible 20 to 300 cm: written in m? 0.6 m is 60 cm."},
    {"diameter_in_mm", {{7, "200"}}, 7, "written in mm? 200 mm is 20 cm."},
    {"distance_in_cm", {{10, "300"}}, 10, "written in cm? 300 cm is 3 m."},
    {"implausible_alone",
     {{8, "3000"}},
     8,
     "Resonance fs 3000 Hz lies outside the plausible 5 "
     "to 1000 Hz."},
    {"clean", {}, 0, nullptr},
    {"own_units", {{4, "60cm"}, {8, "40Hz"}, {10, "2m"}, {15, "30\xc2\xb0"}}, 0, nullptr},
    {"recognised_codes", {{2, "R"}, {11, "'n'"}, {12, "y,"}, {14, "d"}}, 0, nullptr},
    {"remark_after_comma", {{3, "100,height"}, {4, "60/width"}}, 0, nullptr},
    {"driver_on_edge", {{5, "0"}, {6, "100"}}, 0, nullptr},
    {"single_path_ignores_rectangle", {{2, "s"}, {5, "75"}, {15, "120"}}, 0, nullptr},
};

void PrintTo(const NoteCase& c, std::ostream* out) {
    *out << c.name;
}

class NoteTest : public testing::TestWithParam<NoteCase> {};

TEST_P(NoteTest, TableAndJsonCarryTheNoteOnItsRecord) {
    const NoteCase& c = GetParam();
    const test::TempDir dir;
    test::writeFile(dir.path() / "Opbaffin.txt", parameterText(c.changes));
    const test::ToolRun table = test::runTool({"check", dir.file("Opbaffin.txt")});
    const test::ToolRun run = test::runTool({"check", "--json", dir.file("Opbaffin.txt")});
    const json document = json::parse(run.out);
    const int status = c.fragment == nullptr ? kExitDone : kExitWarning;
    EXPECT_EQ(table.status, status);
    EXPECT_EQ(run.status, status);
    EXPECT_EQ(table.err + run.err, "");
    if (c.fragment == nullptr) {
        EXPECT_EQ(document["noteCount"], 0) << table.out;
        EXPECT_TRUE(table.out.ends_with(": no notes\n")) << table.out;
        return;
    }
    EXPECT_NE(table.out.find(c.fragment), std::string::npos) << table.out;
    const std::vector<std::string> notes = notesOf(document, c.record);
    EXPECT_TRUE(std::any_of(notes.begin(), notes.end(), [&](const std::string& note) {
        return note.find(c.fragment) != std::string::npos;
    })) << document.dump(2);
}

INSTANTIATE_TEST_SUITE_P(Cases, NoteTest, testing::ValuesIn(kNoteCases),
                         [](const testing::TestParamInfo<NoteCase>& info) {
                             return std::string(info.param.name);
                         });

// The JSON document holds the values taken and exactly the notes of the library's file.
TEST(CheckJsonTest, ValuesAndNotesAreThoseOfTheFile) {
    const test::TempDir dir;
    const std::string text = parameterText({{2, "rect"}, {7, "8in"}, {9, "0,7"}, {12, "'Y'"}});
    test::writeFile(dir.path() / "Opbaffin.txt", text);
    const json document =
        json::parse(test::runTool({"check", "--json", dir.file("Opbaffin.txt")}).out);
    EXPECT_EQ(document["records"][6]["value"], 8.0);
    EXPECT_EQ(document["records"][8]["value"], 0.0);
    EXPECT_EQ(document["records"][9]["value"], 2.0);
    EXPECT_EQ(document["records"][11]["value"], "Y  ");
    EXPECT_EQ(document["records"][11]["line"], 12);

    const auto file = readParameterText(text);
    ASSERT_TRUE(file);
    std::vector<Note> expected = recordNotes(*file);
    const std::vector<Note> design = designNotes(file->design);
    expected.insert(expected.end(), design.begin(), design.end());
    ASSERT_GE(expected.size(), 4U);
    EXPECT_EQ(document["noteCount"], expected.size());
    for (int record = 0; record <= 15; ++record) {
        std::vector<std::string> texts;
        for (const Note& note : expected) {
            if (note.record == record) texts.push_back(note.text);
        }
        EXPECT_EQ(notesOf(document, record), texts) << "record " << record;
    }
}

// Where the line of record `record` starts in the example's text.
std::size_t lineOf(const std::string& text, int record) {
    std::size_t start = 0;
    for (int k = 1; k < record; ++k) start = text.find('\n', start) + 1;
    return start;
}

// The example's text without record `record`: a value left out.
std::string withoutRecord(int record) {
    std::string text = parameterText();
    const std::size_t start = lineOf(text, record);
    return text.erase(start, text.find('\n', start) + 1 - start);
}

// The example's text with a line of its own before record `record`.
std::string withLineBefore(int record, const std::string& line) {
    std::string text = parameterText();
    return text.insert(lineOf(text, record), line + "\n");
}

struct UnreadableCase {
    const char* name;
    std::string content;  // empty: no file
    const char* reason;
    int record;
    int line;
    const char* hint;  // the start of the hint, nullptr for none
};

const UnreadableCase kUnreadable[] = {
    {"missing", "", "No such file or directory", 0, 0, nullptr},
    {"title_line", "My baffle\n" + parameterText(), "invalid number: incomprehensible list input",
     1, 1, "line 1 (\"My baffle\") looks like a remark on a line of its own at the top"},
    {"remark_line_inside", withLineBefore(5, "driver:"),
     "invalid number: incomprehensible list input", 5, 5,
     "line 5 (\"driver:\") looks like a remark on a line of its own: a remark may only follow"},
    {"byte_order_mark", "\xEF\xBB\xBF" + parameterText(),
     "invalid number: incomprehensible list input", 1, 1,
     "the file starts with a UTF-8 byte-order mark"},
    {"utf16",
     std::string("\xFF\xFE"
                 "0\0\n\0",
                 6),
     "invalid number: incomprehensible list input", 1, 1, "the file is saved as UTF-16"},
    {"exponent_word", parameterText({{15, "25deg"}}), "exponent field: incomprehensible list input",
     15, 15, nullptr},
    {"fourteen_values", withoutRecord(15), "list in: end of file", 15, 15,
     "the file holds 14 of the 15 values, one per line: record 15 (offAxisAngleDeg) is "
     "probably missing"},
    {"diameter_left_out", withoutRecord(7), "invalid number: incomprehensible list input", 10, 10,
     "record 7 (driverDiameterCm) or record 8 (resonanceHz) is probably missing"},
    {"model_left_out", withoutRecord(2), "invalid number: incomprehensible list input", 10, 10,
     "record 2 (modelCode) is probably missing"},
    {"ten_values", parameterText().substr(0, lineOf(parameterText(), 11)), "list in: end of file",
     11, 11, "the file holds 10 of the 15 values, one per line"},
};

void PrintTo(const UnreadableCase& c, std::ostream* out) {
    *out << c.name;
}

class UnreadableTest : public testing::TestWithParam<UnreadableCase> {};

// The reader's reason and place, then the probable slip when one fits.
TEST_P(UnreadableTest, ReasonRecordAndLineWithStatusTwo) {
    const UnreadableCase& c = GetParam();
    const test::TempDir dir;
    const std::string path = dir.file("Opbaffin.txt");
    if (!c.content.empty()) test::writeFile(path, c.content);
    const test::ToolRun table = test::runTool({"check", path});
    const std::string place = c.record == 0 ? ""
                                            : " (record " + std::to_string(c.record) + ", line " +
                                                  std::to_string(c.line) + ")";
    const std::string said = "opbaff-design: " + path + ": " + c.reason + place;
    EXPECT_EQ(table.status, kExitBadInput);
    EXPECT_EQ(table.out, "");
    if (c.hint == nullptr) {
        EXPECT_EQ(table.err, said + "\n");
    } else {
        EXPECT_TRUE(table.err.starts_with(said + ". Hint: " + c.hint)) << table.err;
        EXPECT_EQ(table.err.find('\n'), table.err.size() - 1) << table.err;
    }

    const test::ToolRun run = test::runTool({"check", "--json", path});
    EXPECT_EQ(run.status, kExitBadInput);
    const json document = json::parse(run.out);
    EXPECT_EQ(document["readable"], false);
    EXPECT_EQ(document["error"]["reason"], c.reason);
    EXPECT_EQ(document["error"]["record"], c.record);
    EXPECT_EQ(document["error"]["line"], c.line);
    if (c.hint == nullptr) {
        EXPECT_TRUE(document["error"]["hint"].is_null()) << run.out;
    } else {
        EXPECT_TRUE(document["error"]["hint"].get<std::string>().starts_with(c.hint)) << run.out;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, UnreadableTest, testing::ValuesIn(kUnreadable),
                         [](const testing::TestParamInfo<UnreadableCase>& info) {
                             return std::string(info.param.name);
                         });

struct DesignCase {
    const char* name;
    Design design;
    std::vector<int> records;  // of the notes, in increasing order
};

const DesignCase kDesigns[] = {
    {"example", {}, {}},
    {"driver_off_baffle_and_too_wide",
     {.driverXCm = -1.0F, .driverDiameterCm = 65.0F},
     {5, 7, 7, 13}},  // 65 cm is also wider than any piston
    {"half_delay_ignores_rectangle",
     {.model = Model::singlePathHalfDelay, .driverYCm = 150.0F, .offAxisAngleDeg = 95.0F},
     {}},
    {"no_q", {.qualityFactor = 0.0F}, {0, 9}},
    {"nan_resonance", {.resonanceHz = std::numeric_limits<float>::quiet_NaN()}, {0, 8}},
    {"no_baffle", {.baffleHeightCm = -1.0F, .baffleWidthCm = 0.0F}, {3, 4}},
};

void PrintTo(const DesignCase& c, std::ostream* out) {
    *out << c.name;
}

class DesignNoteTest : public testing::TestWithParam<DesignCase> {};

TEST_P(DesignNoteTest, NotesFallOnTheRecordsConcerned) {
    const DesignCase& c = GetParam();
    std::vector<int> records;
    for (const Note& note : designNotes(c.design)) {
        EXPECT_TRUE(!note.text.empty() && note.text.find('\n') == std::string::npos);
        records.push_back(note.record);
    }
    std::sort(records.begin(), records.end());
    EXPECT_EQ(records, c.records);
}

INSTANTIATE_TEST_SUITE_P(Cases, DesignNoteTest, testing::ValuesIn(kDesigns),
                         [](const testing::TestParamInfo<DesignCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace opbaff::tools
