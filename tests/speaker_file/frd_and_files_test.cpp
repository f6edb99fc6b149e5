// FRD texts (remarks, separators, missing phases, limits) and speaker files on
// disk: FRD names relative to the speaker file, size limits, and telling a
// speaker file from a parameter file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "opbaff/speaker_file.h"
#include "temp_dir.h"

namespace opbaff {
namespace {

struct FrdCase {
    const char* name;
    std::string text;
    std::size_t points;  // when read; 0: refused
    double lastPhase;    // when read
    int errorLine;       // when refused
    const char* word;    // when refused
};

void PrintTo(const FrdCase& c, std::ostream* out) {
    *out << c.name;
}

class FrdText : public testing::TestWithParam<FrdCase> {};

TEST_P(FrdText, ReadsOrNamesTheLine) {
    const FrdCase& c = GetParam();
    const auto frd = parseFrdText(c.text, "d.frd");
    if (c.points == 0) {
        ASSERT_FALSE(frd) << "read " << frd->frequenciesHz.size() << " points";
        EXPECT_EQ(frd.error().file, "d.frd");
        EXPECT_EQ(frd.error().line, c.errorLine) << frd.error().message;
        EXPECT_NE(frd.error().message.find(c.word), std::string::npos) << frd.error().message;
        return;
    }
    ASSERT_TRUE(frd) << speakerFileErrorText(frd.error());
    ASSERT_EQ(frd->frequenciesHz.size(), c.points);
    ASSERT_EQ(frd->levelsDb.size(), c.points);
    ASSERT_EQ(frd->phasesDeg.size(), c.points);
    EXPECT_EQ(frd->phasesDeg.back(), c.lastPhase);
    EXPECT_EQ(frd->sourceName, "d.frd");
}

std::string manyPoints(std::size_t count) {
    std::string text;
    for (std::size_t i = 1; i <= count; ++i) text += std::to_string(i) + " 80\n";
    return text;
}

const FrdCase kFrdCases[] = {
    {"RemarksAndBlankLines", "* a\n# b\n; c\n\"d\"\n\n  \n10 80 5\n20 81 6\n", 2, 6.0, 0, ""},
    {"CommasTabsAndCrLf", "10,80,5\r\n20\t81\t-7.5\r\n30 , 82 , 1e1\r\n", 3, 10.0, 0, ""},
    {"PhaseLeftOut", "10 80\n20 81\n", 2, 0.0, 0, ""},
    {"LastLineWithoutNewline", "10 80 1\n20 81 2", 2, 2.0, 0, ""},
    {"TextInsteadOfNumber", "10 80\n20 abc\n", 0, 0.0, 2, "\"abc\" is not a finite number"},
    {"NotANumberValue", "10 80\n20 nan\n", 0, 0.0, 2, "finite"},
    {"OneValue", "10 80\n20\n", 0, 0.0, 2, "not 1 values"},
    {"FourValues", "10 80 0 1\n", 0, 0.0, 1, "or more"},
    {"FrequencyRepeated", "10 80\n10 81\n", 0, 0.0, 2, "must increase"},
    {"FrequencyZero", "0 80\n10 81\n", 0, 0.0, 1, "above 0"},
    {"SinglePoint", "* one\n10 80\n", 0, 0.0, 0, "2 or more"},
    {"MostPointsAllowed", manyPoints(kMaxFrdPoints), kMaxFrdPoints, 0.0, 0, ""},
    {"TooManyPoints", manyPoints(kMaxFrdPoints + 1), 0, 0.0, int(kMaxFrdPoints + 1), "more than"},
    {"TooLarge", std::string(kMaxFrdFileBytes + 1, '*'), 0, 0.0, 0, "larger than"},
};

INSTANTIATE_TEST_SUITE_P(SpeakerFile, FrdText, testing::ValuesIn(kFrdCases),
                         [](const auto& info) { return std::string(info.param.name); });

const char* const kSpeakerWithFrd =
    "[baffle]\nwidth = 40\nheight = 100\n[listening]\nreference = [20, 80]\n"
    "[[driver]]\nname = \"w\"\ncentre = [20, 40]\n"
    "response = { kind = \"measured\", file = \"data/w.frd\" }\n";

void write(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

TEST(SpeakerFile, FrdNamesAreReadFromTheSpeakerFilesFolder) {
    const test::TempDir dir;
    write(dir.path() / "box" / "s.toml", kSpeakerWithFrd);
    write(dir.path() / "box" / "data" / "w.frd", "10 80 1\n20000 80 2\n");
    write(dir.path() / "data" / "w.frd", "10 80 1\n");  // not this one
    const auto speaker = readSpeakerFile(dir.file("box/s.toml"));
    ASSERT_TRUE(speaker) << speakerFileErrorText(speaker.error());
    const MeasuredResponse& measured = speaker->drivers[0].response.measured;
    EXPECT_EQ(measured.sourceName, "data/w.frd");
    EXPECT_EQ(measured.frequenciesHz.size(), 2U);
}

TEST(SpeakerFile, MissingFrdFileIsNamedAtItsKey) {
    const test::TempDir dir;
    write(dir.path() / "s.toml", kSpeakerWithFrd);
    const auto speaker = readSpeakerFile(dir.file("s.toml"));
    ASSERT_FALSE(speaker);
    EXPECT_EQ(speaker.error().line, 9);
    EXPECT_EQ(speaker.error().key, "driver[0].response.file");
    EXPECT_NE(speaker.error().message.find("\"data/w.frd\""), std::string::npos)
        << speaker.error().message;
}

TEST(SpeakerFile, FilesOverTheirLimitsAreRefused) {
    const test::TempDir dir;
    write(dir.path() / "big.toml", std::string(kMaxSpeakerFileBytes + 1, '#'));
    const auto big = readSpeakerFile(dir.file("big.toml"));
    ASSERT_FALSE(big);
    EXPECT_NE(big.error().message.find("larger than"), std::string::npos);
    write(dir.path() / "s.toml", kSpeakerWithFrd);
    write(dir.path() / "data" / "w.frd", std::string(kMaxFrdFileBytes + 1, '*'));
    const auto bigFrd = readSpeakerFile(dir.file("s.toml"));
    ASSERT_FALSE(bigFrd);
    EXPECT_NE(bigFrd.error().message.find("larger than"), std::string::npos);
}

TEST(SpeakerFile, FolderOrMissingSpeakerFileIsAnError) {
    const test::TempDir dir;
    EXPECT_FALSE(readSpeakerFile(dir.path().string()));
    EXPECT_FALSE(readSpeakerFile(dir.file("none.toml")));
}

TEST(SpeakerFile, SpeakerFilesAreToldFromParameterFiles) {
    EXPECT_TRUE(looksLikeSpeakerFile(kSpeakerWithFrd));
    EXPECT_TRUE(looksLikeSpeakerFile("# a remark\n  [[ driver ]]  # drivers first\n"));
    EXPECT_TRUE(looksLikeSpeakerFile("\xEF\xBB\xBF[baffle]\nwidth = 40\n"));
    EXPECT_FALSE(looksLikeSpeakerFile("0\nr\n100  [baffle] in a remark\n60\n"));
    EXPECT_FALSE(looksLikeSpeakerFile("# [baffle]\n"));
}

}  // namespace
}  // namespace opbaff
