// polar on a speaker file: the drivers' FRD sets read back and summed as
// complex values give the sum's set and the library's own sum; the set's
// names; the spin of each curve; the same files on any number of jobs; and
// the refusals (a driver off the baffle, a bad file, names that clash,
// options that do not apply), each of which writes nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <fstream>
#include <numbers>
#include <set>
#include <string>
#include <vector>

#include "opbaff/speaker.h"
#include "opbaff/speaker_file.h"
#include "temp_dir.h"
#include "tool_io.h"
#include "tool_test_support.h"

namespace opbaff::tools::test {
namespace {

constexpr const char* kName = "Two-way_open_baffle";  // the example's name, made safe

std::string exampleText() {
    std::ifstream in(std::string(OPBAFF_TEST_DATA) + "/../../examples/two-way.toml",
                     std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The example with the first occurrence of each `from` replaced by its `to`.
std::string exampleWith(const std::vector<std::pair<std::string, std::string>>& changes) {
    std::string text = exampleText();
    for (const auto& [from, to] : changes) {
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
    }
    return text;
}

// The example on a coarse grid, the tweeter delayed so that the drivers'
// relative phase matters.
std::string coarseExample() {
    return exampleWith({{"points_per_octave = 24", "points_per_octave = 2"},
                        {"lowest_hz = 20.0", "lowest_hz = 50.0"},
                        {"highest_hz = 20000.0", "highest_hz = 8000.0"},
                        {"rear = false ", "rear = false\ndelay_ms = 0.15 "}});
}

std::vector<std::complex<double>> valuesOf(const MeasuredResponse& frd) {
    std::vector<std::complex<double>> values;
    for (std::size_t i = 0; i < frd.levelsDb.size(); ++i) {
        values.push_back(std::polar(std::pow(10.0, frd.levelsDb[i] / 20.0),
                                    frd.phasesDeg[i] * std::numbers::pi / 180.0));
    }
    return values;
}

MeasuredResponse readFrd(const TempDir& dir, const std::string& name) {
    const auto frd = parseFrdText(readFile(dir.path() / name), name);
    EXPECT_TRUE(frd) << name << ": " << (frd ? "" : frd.error().message);
    return frd ? *frd : MeasuredResponse{};
}

void expectClose(std::complex<double> got, std::complex<double> want, const std::string& where) {
    EXPECT_NEAR(20.0 * std::log10(std::abs(got)), 20.0 * std::log10(std::abs(want)), 0.01) << where;
    EXPECT_NEAR(std::remainder(std::arg(got / want) * 180.0 / std::numbers::pi, 360.0), 0.0, 0.1)
        << where;
}

struct Place {
    const char* file;  // "hor 30": the set's part of the file name
    PlateListener listener;
};

// Both planes, the vertical beyond 90 degrees turned over the top to the rear.
const Place kPlaces[] = {
    {"hor 0", {2.0, 0.0, 0.0}},   {"hor -60", {2.0, -60.0, 0.0}},    {"hor 150", {2.0, 150.0, 0.0}},
    {"ver 30", {2.0, 0.0, 30.0}}, {"ver -120", {2.0, 180.0, -60.0}},
};

TEST(SpeakerPolarTest, DriversSumToTheSumsFileAndToTheLibrarysSum) {
    const TempDir dir;
    const std::string speakerText = coarseExample();
    writeFile(dir.path() / "two-way.toml", speakerText);
    const TempDir out;
    const ToolRun run =
        runTool({"polar", dir.file("two-way.toml"), "--angles", "-60:150:30", "--vertical",
                 "-120:30:30", "--output-dir", out.path().string(), "--jobs", "2"});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    const auto speaker = parseSpeakerText(speakerText, "two-way.toml");
    ASSERT_TRUE(speaker);
    const auto grid = FrequencyGrid::perOctave(speaker->grid);
    ASSERT_TRUE(grid);
    const auto model = SpeakerModel::create(*speaker, *grid);
    ASSERT_TRUE(model);
    for (const Place& place : kPlaces) {
        const std::string at = std::string(" ") + place.file + ".frd";
        const MeasuredResponse woofer = readFrd(out, kName + std::string(" woofer") + at);
        const MeasuredResponse tweeter = readFrd(out, kName + std::string(" tweeter") + at);
        const MeasuredResponse sum = readFrd(out, kName + std::string(" sum") + at);
        const auto heard = model->listen(place.listener);
        ASSERT_TRUE(heard);
        ASSERT_EQ(sum.frequenciesHz.size(), grid->size()) << place.file;
        ASSERT_EQ(woofer.frequenciesHz, sum.frequenciesHz);
        ASSERT_EQ(tweeter.frequenciesHz, sum.frequenciesHz);
        const auto w = valuesOf(woofer);
        const auto t = valuesOf(tweeter);
        const auto s = valuesOf(sum);
        for (std::size_t i = 0; i < s.size(); ++i) {
            const std::string where =
                std::string(place.file) + ", " + std::to_string(sum.frequenciesHz[i]) + " Hz";
            expectClose(w[i] + t[i], s[i], where + ": drivers' files against the sum's");
            expectClose(s[i], heard->sum[i], where + ": the sum's file against the library");
            expectClose(w[i], heard->drivers[0][i], where + ": the woofer against the library");
        }
    }
}

TEST(SpeakerPolarTest, RemarksStateThePhaseConventionAndTheReferencePoint) {
    const TempDir dir;
    writeFile(dir.path() / "two-way.toml", coarseExample());
    const TempDir out;
    const ToolRun run = runTool({"polar", dir.file("two-way.toml"), "--angles", "0:0:10",
                                 "--vertical", "0:0:10", "--output-dir", out.path().string()});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    const std::string text = readFile(out.path() / (kName + std::string(" tweeter hor 0.frd")));
    for (const char* words :
         {"exp(+jwt), a positive phase leads",
          "unit point source on an infinite baffle at the reference point",
          "2.0000 m from the reference point", "reference point x = 0.2000 m, y = 0.8000 m"}) {
        EXPECT_NE(text.find(words), std::string::npos) << words << " in\n" << text;
    }
}

// The names of a set: each driver's name and the speaker's made safe, both
// planes, the sum beside the drivers; and the default angles, -180 to 180 in
// steps of 10 in both planes.
TEST(SpeakerPolarTest, NamesEachDriverAndTheSumInBothPlanes) {
    const TempDir dir;
    writeFile(dir.path() / "s.toml",
              exampleWith({{"Two-way open baffle", "Two way/open: 'A'"},
                           {"name = \"woofer\"", "name = \"low woofer\""},
                           {"points_per_octave = 24", "points_per_octave = 1"},
                           {"highest_hz = 20000.0", "highest_hz = 200.0"}}));
    const TempDir out;
    const ToolRun run = runTool({"polar", dir.file("s.toml"), "--angles", "-10:0:10", "--vertical",
                                 "0:10:10", "--output-dir", out.path().string()});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    std::set<std::string> expected;
    for (const char* curve : {"low_woofer", "tweeter", "sum"}) {
        for (const char* angle : {"hor -10", "hor 0", "ver 0", "ver 10"}) {
            expected.insert(std::string("Two_way_open___A_ ") + curve + " " + angle + ".frd");
        }
    }
    EXPECT_EQ(entriesOf(out.path()), expected);

    const TempDir all;
    writeFile(dir.path() / "coarse.toml", coarseExample());
    const ToolRun whole =
        runTool({"polar", dir.file("coarse.toml"), "--output-dir", all.path().string()});
    ASSERT_EQ(whole.status, kExitDone) << whole.err;
    const auto files = entriesOf(all.path());
    EXPECT_EQ(files.size(), 3U * 2U * 37U);
    for (const char* name : {" woofer hor -180.frd", " woofer hor 180.frd", " sum ver -170.frd",
                             " tweeter ver 90.frd"}) {
        EXPECT_TRUE(files.count(kName + std::string(name))) << name;
    }
}

// The spin of each driver and of the sum, its on-axis column the level of the
// 0 degree file; and the same files whatever the number of jobs.
TEST(SpeakerPolarTest, SpinOfEachCurveOnAnyNumberOfJobs) {
    const TempDir dir;
    writeFile(dir.path() / "two-way.toml", coarseExample());
    const TempDir one;
    const TempDir two;
    for (const auto& [folder, jobs] : {std::pair{&one, "1"}, std::pair{&two, "2"}}) {
        const ToolRun run =
            runTool({"polar", dir.file("two-way.toml"), "--angles", "0:30:30", "--vertical",
                     "0:0:10", "--spin", "--jobs", jobs, "--output-dir", folder->path().string()},
                    noGnuplotPath(*folder));
        // Without gnuplot the plots are left out, and said to be.
        ASSERT_EQ(run.status, kExitWarning) << run.err;
        EXPECT_NE(run.err.find("gnuplot not found"), std::string::npos) << run.err;
    }
    const auto files = snapshot(one.path());
    EXPECT_EQ(files, snapshot(two.path()));
    for (const char* curve : {" woofer", " tweeter", " sum"}) {
        const std::string spinName = kName + std::string(curve) + " spin.tsv";
        ASSERT_TRUE(files.count(spinName)) << spinName;
        const MeasuredResponse onAxis = readFrd(one, kName + std::string(curve) + " hor 0.frd");
        std::istringstream rows(files.at(spinName));
        std::string line;
        std::size_t row = 0;
        while (std::getline(rows, line)) {
            if (line.empty() || line[0] == '#' || line.rfind("frequency_Hz", 0) == 0) continue;
            std::istringstream fields(line);
            double frequency = 0.0;
            double level = 0.0;
            fields >> frequency >> level;
            ASSERT_LT(row, onAxis.levelsDb.size()) << spinName;
            EXPECT_NEAR(frequency, onAxis.frequenciesHz[row], 1e-3 * frequency) << spinName;
            EXPECT_NEAR(level, onAxis.levelsDb[row], 1e-4) << spinName << " at " << frequency;
            ++row;
        }
        EXPECT_EQ(row, onAxis.levelsDb.size()) << spinName;
    }
}

struct Refusal {
    const char* name;
    std::vector<std::pair<std::string, std::string>> changes;  // to the coarse example
    std::vector<std::string> options;
    int status;
    std::vector<std::string> err;  // each in standard error
};

void PrintTo(const Refusal& c, std::ostream* out) {
    *out << c.name;
}

class SpeakerPolarRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(SpeakerPolarRefusal, SaysWhyAndWritesNothing) {
    const Refusal& refusal = GetParam();
    const TempDir dir;
    std::string text = coarseExample();
    for (const auto& [from, to] : refusal.changes) {
        const std::size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
    }
    writeFile(dir.path() / "s.toml", text);
    const TempDir out;
    std::vector<std::string> arguments = {"polar", dir.file("s.toml"), "--output-dir",
                                          out.path().string()};
    arguments.insert(arguments.end(), refusal.options.begin(), refusal.options.end());
    const ToolRun run = runTool(arguments);
    EXPECT_EQ(run.status, refusal.status) << run.err;
    for (const std::string& words : refusal.err) {
        EXPECT_NE(run.err.find(words), std::string::npos) << words << " in: " << run.err;
    }
    EXPECT_TRUE(entriesOf(out.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SpeakerPolarRefusal,
    testing::Values(
        Refusal{"DriverOffTheBaffle",
                {{"centre = [20.0, 35.0]", "centre = [70.0, 35.0]"}},
                {},
                kExitWarning,
                {"s.toml: ", "\"woofer\""}},
        Refusal{"BadKeyNamesLineAndKey",
                {{"order = 4", "order = 3"}},
                {},
                kExitBadInput,
                {"s.toml:31:", "driver[0].filter[0].order: "}},
        Refusal{"UnknownKey",
                {{"diameter = 2.5", "diametre = 2.5"}},
                {},
                kExitBadInput,
                {"s.toml:", "driver[1].diametre"}},
        Refusal{"DriverNamesThatShareFileNames",
                {{"name = \"woofer\"", "name = \"tweeter!\""},
                 {"name = \"tweeter\"", "name = \"tweeter?\""}},
                {},
                kExitBadInput,
                {"\"tweeter!\" and \"tweeter?\""}},
        Refusal{"DriverNamedSum",
                {{"name = \"woofer\"", "name = \"sum\""}},
                {},
                kExitBadInput,
                {"\"sum\"", "summed speaker"}},
        Refusal{"ModelOption", {}, {"--model", "accurate"}, kExitBadInput, {"--model: "}},
        Refusal{"BaffleOnlyOption", {}, {"--baffle-only"}, kExitBadInput, {"--baffle-only: "}},
        Refusal{"AnglesOutOfRange", {}, {"--vertical", "0:200:10"}, kExitBadInput, {"--vertical "}},
        Refusal{"NameWithSlash", {}, {"--name", "a/b"}, kExitBadInput, {"--name 'a/b'"}}),
    [](const testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace opbaff::tools::test
