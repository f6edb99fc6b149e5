// Parameter files as values: every code keeps its effect, each record tells
// where it stood and what surrounded it, failures name their record and line,
// and written files read back, in the library and in the program, to the same
// design.
#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "library_test_support.h"

namespace opbaff {
namespace {

// Fifteen plain records, with the given one replaced.
std::string fileWith(std::size_t record, const std::string& text) {
    std::vector<std::string> lines = {"0",   "r", "100", "60", "22", "70", "20", "40",
                                      "0.7", "2", "x",   "y",  "60", "x",  "30"};
    lines.at(record - 1) = text;
    std::string file;
    for (const std::string& line : lines) file += line + "\n";
    return file;
}

std::string withCrLf(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

struct CodeCase {
    std::size_t record;
    const char* text;
    Design expected;  // the example with the code's effect
};

Design example(void (*change)(Design&)) {
    Design design;
    design.rearPhaseFactor = RearPhaseFactor::on;
    design.pistonFactor = PistonFactor::on;
    change(design);
    return design;
}

const CodeCase kCodes[] = {
    {2, "r", example([](Design&) {})},
    {2, "R", example([](Design&) {})},
    {2, "'r'", example([](Design&) {})},
    {2, "u", example([](Design& d) { d.model = Model::singlePathHalfDelay; })},
    {2, "U", example([](Design& d) { d.model = Model::singlePathHalfDelay; })},
    {2, "rec", example([](Design& d) { d.model = Model::singlePath; })},
    {2, "rR", example([](Design& d) { d.model = Model::singlePath; })},
    {2, ",", example([](Design& d) { d.model = Model::singlePath; })},
    {11, "n", example([](Design& d) { d.rearPhaseFactor = RearPhaseFactor::off; })},
    {11, "N", example([](Design&) {})},
    {11, "no", example([](Design&) {})},
    {12, "y", example([](Design&) {})},
    {12, "'y' piston on", example([](Design&) {})},
    {12, "Y", example([](Design& d) { d.pistonFactor = PistonFactor::off; })},
    {12, "yes", example([](Design& d) { d.pistonFactor = PistonFactor::off; })},
    {14, "d", example([](Design& d) { d.rearLevel = RearLevel::half; })},
    {14, "D", example([](Design&) {})},
    {14, "dd", example([](Design&) {})},
};

void PrintTo(const CodeCase& c, std::ostream* out) {
    *out << "record " << c.record << " '" << c.text << "'";
}

class CodeTest : public testing::TestWithParam<CodeCase> {};

TEST_P(CodeTest, KeepsTheEffectItHasInTheProgram) {
    const CodeCase& c = GetParam();
    const auto file = readParameterText(fileWith(c.record, c.text));
    ASSERT_TRUE(file) << file.error().message();
    EXPECT_EQ(file->design, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Codes, CodeTest, testing::ValuesIn(kCodes),
                         [](const testing::TestParamInfo<CodeCase>& info) {
                             return "record_" + std::to_string(info.param.record) + "_" +
                                    test::testName(info.param.text) + "_" +
                                    std::to_string(info.index);
                         });

struct RecordCase {
    const char* name;
    std::string file;
    std::size_t record;
    RecordInfo expected;
};

RecordInfo number(int line, const char* text, const char* rest, float value, bool null = false) {
    return {line, null, text, rest, value, ""};
}

RecordInfo code(int line, const char* text, const char* rest, const char* value) {
    return {line, false, text, rest, 0.0F, value};
}

const RecordCase kRecords[] = {
    {"letter_o_for_zero", fileWith(3, "1OO"), 3, number(3, "1", "OO", 1.0F)},
    {"decimal_comma", fileWith(9, "0,7"), 9, number(9, "0", ",7", 0.0F)},
    {"unit_word", fileWith(7, "8in diameter"), 7, number(7, "8", "in diameter", 8.0F)},
    {"remark", fileWith(4, "60   width, cm"), 4, number(4, "60", "   width, cm", 60.0F)},
    {"repeat_count", fileWith(9, "2*0.5"), 9, number(9, "2*0.5", "", 0.5F)},
    {"null", fileWith(5, ", no value"), 5, number(5, ",", " no value", 0.0F, true)},
    {"quoted_code", fileWith(12, "'y' piston"), 12, code(12, "'y'", " piston", "y  ")},
    {"long_code", fileWith(12, "yes"), 12, code(12, "yes", "", "yes")},
    {"crlf_line_ends", withCrLf(fileWith(3, "100 cm")), 3, number(3, "100", " cm", 100.0F)},
    {"blank_lines_before", "\n\n" + fileWith(1, "0 header"), 1, number(3, "0", " header", 0.0F)},
    {"last_record", fileWith(15, "-30 degrees"), 15, number(15, "-30", " degrees", -30.0F)},
};

void PrintTo(const RecordCase& c, std::ostream* out) {
    *out << c.name;
}

class RecordTest : public testing::TestWithParam<RecordCase> {};

TEST_P(RecordTest, TellsWhereTheValueStoodAndWhatSurroundedIt) {
    const RecordCase& c = GetParam();
    const auto file = readParameterText(c.file);
    ASSERT_TRUE(file) << file.error().message();
    const RecordInfo& got = file->records[c.record - 1];
    EXPECT_EQ(got.line, c.expected.line);
    EXPECT_EQ(got.isNull, c.expected.isNull);
    EXPECT_EQ(got.text, c.expected.text);
    EXPECT_EQ(got.rest, c.expected.rest);
    EXPECT_EQ(got.number, c.expected.number);
    EXPECT_EQ(got.code, c.expected.code);
}

INSTANTIATE_TEST_SUITE_P(Records, RecordTest, testing::ValuesIn(kRecords),
                         [](const testing::TestParamInfo<RecordCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(RecordTest, KeepsAtMostTheTextLimit) {
    const std::string remark(100000, 'x');
    const auto file = readParameterText(fileWith(4, "60 " + remark));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->records[3].rest, std::string(1, ' ').append(remark, 0, kRecordTextLimit - 1));
    EXPECT_EQ(file->design.baffleWidthCm, 60.0F);
    EXPECT_EQ(file->records[4].line, 5);
}

struct FailureCase {
    const char* name;
    std::string file;
    ReadError error;
    int record;
    int line;
    const char* message;
};

std::string firstLines(std::size_t count, bool lastLineEnded) {
    std::string text;
    for (std::size_t k = 1; k <= count; ++k) text += "1\n";
    if (!lastLineEnded) text.pop_back();
    return text;
}

const FailureCase kFailures[] = {
    {"empty", "", ReadError::endOfList, 1, 1, "list in: end of file"},
    {"fourteen_lines", firstLines(14, true), ReadError::endOfList, 15, 15, "list in: end of file"},
    {"fourteen_values_no_line_end", firstLines(14, false), ReadError::endAtStart, 15, 14,
     "read start: end of file"},
    {"title_in_record_1", "My baffle\n" + fileWith(1, "0"), ReadError::invalidNumber, 1, 1,
     "invalid number: incomprehensible list input"},
    {"remark_line_before_a_number", fileWith(8, "resonance\n40"), ReadError::invalidNumber, 8, 8,
     "invalid number: incomprehensible list input"},
    {"exponent_without_digits", fileWith(15, "25deg"), ReadError::badExponent, 15, 15,
     "exponent field: incomprehensible list input"},
    {"repeat_count_of_zero", fileWith(3, "0*5"), ReadError::badRepeatCount, 3, 3,
     "bad repetition count: incomprehensible list input"},
};

void PrintTo(const FailureCase& c, std::ostream* out) {
    *out << c.name;
}

class FailureTest : public testing::TestWithParam<FailureCase> {};

TEST_P(FailureTest, NamesTheReasonTheRecordAndTheLine) {
    const FailureCase& c = GetParam();
    const auto file = readParameterText(c.file);
    ASSERT_FALSE(file);
    EXPECT_EQ(file.error().error, c.error);
    EXPECT_EQ(file.error().record, c.record);
    EXPECT_EQ(file.error().line, c.line);
    EXPECT_EQ(file.error().message(), c.message);
    EXPECT_EQ(file.error().describe("in.txt"), "in.txt: " + std::string(c.message) + " (record " +
                                                   std::to_string(c.record) + ", line " +
                                                   std::to_string(c.line) + ")");
}

INSTANTIATE_TEST_SUITE_P(Failures, FailureTest, testing::ValuesIn(kFailures),
                         [](const testing::TestParamInfo<FailureCase>& info) {
                             return std::string(info.param.name);
                         });

// Hands out its bytes, then fails as a broken disk would.
class FailingSource final : public ByteSource {
  public:
    explicit FailingSource(std::string bytes) : bytes_(std::move(bytes)) {}
    long readSome(char* buffer, std::size_t capacity) override {
        if (bytes_.empty()) {
            errno = EIO;
            return -1;
        }
        const std::size_t count = std::min(capacity, bytes_.size());
        std::memcpy(buffer, bytes_.data(), count);
        bytes_.erase(0, count);
        return static_cast<long>(count);
    }

  private:
    std::string bytes_;
};

TEST(FailureTest, ReadErrorsGiveTheSystemsReason) {
    FailingSource source(firstLines(5, true));
    const auto file = readParameterStream(source);
    ASSERT_FALSE(file);
    EXPECT_EQ(file.error().error, ReadError::readFailed);
    EXPECT_EQ(file.error().message(), std::string("list in: ") + std::strerror(EIO));
    EXPECT_EQ(file.error().record, 6);
}

// Nothing after the fifteenth value counts: a failure in its remark goes
// unnoticed, as in the program.
TEST(FailureTest, AFailureAfterTheFifteenthValueGoesUnnoticed) {
    std::string text = fileWith(15, "30 degrees");
    text.pop_back();
    FailingSource designSource(text);
    const auto design = readDesign(designSource);
    ASSERT_TRUE(design) << design.error().message();
    EXPECT_EQ(design->offAxisAngleDeg, 30.0F);
    FailingSource fileSource(text);
    const auto file = readParameterStream(fileSource);
    ASSERT_TRUE(file) << file.error().message();
    EXPECT_EQ(file->records[14].rest, " degrees");
}

TEST(PathTest, FilesThatCannotBeOpenedGiveTheSystemsReason) {
    const test::TempDir dir;
    const auto missing = readParameterFile(dir.path() / "Opbaffin.txt");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().error, ReadError::cannotOpen);
    EXPECT_EQ(missing.error().message(),
              (dir.path() / "Opbaffin.txt").string() + ": No such file or directory");
    const auto folder = readParameterFile(dir.path());
    ASSERT_FALSE(folder);
    EXPECT_EQ(folder.error().message(), dir.path().string() + ": Is a directory");
    // A file that could not be opened is named by its own path only.
    EXPECT_EQ(folder.error().describe("other"), folder.error().message());
}

std::uint32_t bitsOf(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

std::array<float, 10> numbersOf(const Design& d) {
    return {d.baffleHeightCm,        d.baffleWidthCm,  d.driverXCm,     d.driverYCm,
            d.driverDiameterCm,      d.resonanceHz,    d.qualityFactor, d.listenerDistanceM,
            d.roundBaffleDiameterCm, d.offAxisAngleDeg};
}

// Designs with every choice and awkward numbers: the smallest and largest
// floats, infinities, numbers whose shortest digits sit near a rounding edge.
std::vector<Design> awkwardDesigns() {
    std::vector<Design> designs;
    std::mt19937 random(20261209);
    std::uniform_int_distribution<std::uint32_t> anyBits;
    for (int n = 0; n < 2000; ++n) {
        Design d;
        d.model = static_cast<Model>(n % 3);
        d.rearPhaseFactor = static_cast<RearPhaseFactor>(n / 3 % 2);
        d.pistonFactor = static_cast<PistonFactor>(n / 6 % 2);
        d.rearLevel = static_cast<RearLevel>(n / 12 % 2);
        // Any bit pattern but NaN, which no parameter file can hold.
        const auto any = [&random, &anyBits] {
            const float value = std::bit_cast<float>(anyBits(random));
            return std::isnan(value) ? -std::numeric_limits<float>::infinity() : value;
        };
        d.baffleHeightCm = any();
        d.baffleWidthCm = any();
        d.driverXCm = any();
        d.driverYCm = any();
        d.driverDiameterCm = any();
        d.resonanceHz = any();
        d.qualityFactor = any();
        d.listenerDistanceM = any();
        d.roundBaffleDiameterCm = any();
        d.offAxisAngleDeg = any();
        designs.push_back(d);
    }
    Design extremes;
    extremes.baffleHeightCm = std::numeric_limits<float>::max();
    extremes.baffleWidthCm = std::numeric_limits<float>::denorm_min();
    extremes.driverXCm = std::numeric_limits<float>::min();
    extremes.driverYCm = std::numeric_limits<float>::infinity();
    extremes.offAxisAngleDeg = -0.0F;
    designs.push_back(extremes);
    return designs;
}

TEST(WriteTest, WrittenFilesReadBackToTheSameDesign) {
    for (const Design& design : awkwardDesigns()) {
        const auto text = writeParameterText(design);
        ASSERT_TRUE(text);
        const auto file = readParameterText(*text);
        ASSERT_TRUE(file) << *text;
        EXPECT_EQ(file->design.model, design.model);
        EXPECT_EQ(file->design.rearPhaseFactor, design.rearPhaseFactor);
        EXPECT_EQ(file->design.pistonFactor, design.pistonFactor);
        EXPECT_EQ(file->design.rearLevel, design.rearLevel);
        const auto read = numbersOf(file->design);
        const auto written = numbersOf(design);
        for (std::size_t k = 0; k < read.size(); ++k) {
            // A negative zero reads as +0.
            const float expected = written[k] == 0.0F ? 0.0F : written[k];
            ASSERT_EQ(bitsOf(read[k]), bitsOf(expected)) << *text;
        }
    }
}

TEST(WriteTest, NamesEachValueInARemark) {
    const auto text = writeParameterText(Design{});
    ASSERT_TRUE(text);
    const auto file = readParameterText(*text);
    ASSERT_TRUE(file);
    for (std::size_t k = 0; k < kParameterRecords.size(); ++k) {
        EXPECT_NE(file->records[k].rest.find(kParameterRecords[k].name), std::string::npos) << k;
        EXPECT_EQ(file->records[k].line, static_cast<int>(k) + 1);
    }
    EXPECT_EQ(file->records[1].text, "r");
    EXPECT_EQ(file->records[3].text, "60");
    EXPECT_EQ(file->records[8].text, "0.7");
}

TEST(WriteTest, ANotANumberCannotBeWritten) {
    Design design;
    design.qualityFactor = std::numeric_limits<float>::quiet_NaN();
    const auto text = writeParameterText(design);
    ASSERT_FALSE(text);
    EXPECT_EQ(text.error(), Error::valueNotANumber);
}

// The program run on a written file writes the rows the library computes.
class ProgramReadsWrittenFileTest : public testing::TestWithParam<std::string> {};

TEST_P(ProgramReadsWrittenFileTest, ToTheSameLevels) {
    const auto reference = readParameterFile(test::referenceCaseFile(GetParam(), "Opbaffin.txt"));
    ASSERT_TRUE(reference);
    Design design = reference->design;
    design.offAxisAngleDeg = -design.offAxisAngleDeg - 7.5F;
    design.driverXCm *= 0.9F;
    for (const Design& each : {reference->design, design}) {
        const test::TempDir dir;
        test::writeFile(dir.path() / "Opbaffin.txt", *writeParameterText(each));
        ASSERT_EQ(test::runProgramIn(dir.path()), 0);
        EXPECT_EQ(test::readFile(dir.path() / "OPBAFF.bds"),
                  test::resultFileBytes(computeResponse(each)));
    }
}

INSTANTIATE_TEST_SUITE_P(Golden, ProgramReadsWrittenFileTest,
                         testing::ValuesIn(test::referenceCaseNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return test::testName(info.param);
                         });

}  // namespace
}  // namespace opbaff
