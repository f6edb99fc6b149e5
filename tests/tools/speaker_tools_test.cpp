// plot, sweep and eq on speaker files: the drivers' and the sum's FRD files
// agree with each other, refused speakers of a sweep are noted by name, field
// names the sweep does not know are refused with the list, and eq's speaker
// written back holds its fitted chain, heard on the sum at its exact level.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "opbaff/speaker_file.h"
#include "speaker_curves.h"
#include "speaker_sweep.h"
#include "temp_dir.h"
#include "tool_test_support.h"

namespace opbaff::tools::test {
namespace {

// The example on a coarse grid, with the first occurrence of `from` replaced
// by `to`.
std::string coarseExample(const std::string& from = "", const std::string& to = "") {
    std::ifstream in(std::string(OPBAFF_TEST_DATA) + "/two-way.toml", std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto replace = [&text](const std::string& a, const std::string& b) {
        const std::size_t at = text.find(a);
        EXPECT_NE(at, std::string::npos) << a;
        if (at != std::string::npos) text.replace(at, a.size(), b);
    };
    replace("points_per_octave = 24", "points_per_octave = 3");
    replace("lowest_hz = 20.0", "lowest_hz = 30.0");
    replace("highest_hz = 20000.0", "highest_hz = 8000.0");
    if (!from.empty()) replace(from, to);
    return text;
}

std::string speakerFile(const TempDir& dir, const std::string& text) {
    const std::string path = dir.file("speaker.toml");
    writeFile(path, text);
    return path;
}

// The data lines of an FRD text as complex values.
std::vector<std::complex<double>> frdValues(const std::string& text) {
    std::vector<std::complex<double>> values;
    for (const FrdRow& row : frdRows(text)) {
        values.push_back(std::polar(std::pow(10.0, row.levelDb / 20.0),
                                    row.phaseDeg * std::numbers::pi / 180.0));
    }
    return values;
}

TEST(SpeakerPlot, WritesEachDriverAndTheirSumInOneSet) {
    const TempDir dir;
    const std::string file = speakerFile(dir, coarseExample());
    const std::string out = dir.file("out");
    const ToolRun run = runTool({"plot", "--output-dir", out, file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(entriesOf(out),
              (std::set<std::string>{"opbaff-driver-tweeter.frd", "opbaff-driver-woofer.frd",
                                     "opbaff-sum.frd", "opbaff-response.svg"}));
    const auto woofer = frdValues(readFile(out + "/opbaff-driver-woofer.frd"));
    const auto tweeter = frdValues(readFile(out + "/opbaff-driver-tweeter.frd"));
    const auto sum = frdValues(readFile(out + "/opbaff-sum.frd"));
    const auto grid = FrequencyGrid::perOctave({3, 30.0F, 8000.0F});
    ASSERT_EQ(sum.size(), grid->frequencies().size());
    ASSERT_EQ(woofer.size(), sum.size());
    ASSERT_EQ(tweeter.size(), sum.size());
    // The files' values (9 significant digits) add up to the sum's.
    for (std::size_t i = 0; i < sum.size(); ++i) {
        EXPECT_LE(std::abs(woofer[i] + tweeter[i] - sum[i]), 1e-6 * std::abs(sum[i])) << i;
    }
    const XmlCheck svg = parseXml(readFile(out + "/opbaff-response.svg"));
    EXPECT_EQ(svg.root, "svg");
    EXPECT_NE(svg.text.find("tweeter"), std::string::npos);
    EXPECT_NE(svg.text.find("sum"), std::string::npos);
}

// The table's rows after its header, each split at tabs.
std::vector<std::vector<std::string>> tableRows(const std::string& out) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> cells;
        std::istringstream fields(line);
        std::string cell;
        while (std::getline(fields, cell, '\t')) cells.push_back(cell);
        rows.push_back(cells);
    }
    return rows;
}

TEST(SpeakerSweep, JudgesEachSpeakerAndNotesThoseOffTheBaffle) {
    const TempDir dir;
    const std::string file = speakerFile(dir, coarseExample());
    // The baffle is 40 cm wide: x = 30 cm lies on it, 40 on its border, 50 off it.
    const ToolRun run =
        runTool({"sweep", file, "tweeter.x=30:50:10", "baffle.height=90:100:10", "--no-plot"});
    EXPECT_EQ(run.status, 1) << run.err;
    const auto rows = tableRows(run.out);
    ASSERT_EQ(rows.size(), 7U) << run.out;
    EXPECT_EQ(rows[0][0], "variant");
    EXPECT_EQ(rows[0][1], "tweeter.x");
    EXPECT_EQ(rows[0][2], "baffle.height");
    EXPECT_EQ(rows[0][3], "median_dB");
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const bool onBaffle = r <= 2;
        ASSERT_GE(rows[r].size(), 9U) << run.out;
        EXPECT_EQ(rows[r][0].rfind(std::string("tweeter.x=") + (r <= 2   ? "30"
                                                                : r <= 4 ? "40"
                                                                         : "50"),
                                   0),
                  0U);
        EXPECT_EQ(rows[r][3] == "nan", !onBaffle) << rows[r][0];
        EXPECT_EQ(rows[r].size() == 10U && !rows[r][9].empty(), !onBaffle) << rows[r][0];
    }
    EXPECT_NE(
        run.err.find("tweeter.x=50 baffle.height=90: driver \"tweeter\": its centre (x 0.5 m"),
        std::string::npos)
        << run.err;
    // A speaker file in inches takes its lengths in inches: 16 in lies off the
    // 40 cm baffle, 16 cm would not.
    const Speaker speaker = *readSpeakerFile(file);
    writeFile(file, speakerFileText(speaker, "in"));
    const ToolRun inches = runTool({"sweep", file, "tweeter.x=16:16:1", "--no-plot"});
    EXPECT_EQ(inches.status, 1) << inches.err;
    EXPECT_NE(inches.err.find("(x 0.4064 m"), std::string::npos) << inches.err;
}

// A sweep that leaves the baffle alone makes every speaker from one model,
// solving again only the drivers it moves: every variant's sum and note are
// those of the variant's own speaker solved whole, bit for bit, whatever the
// jobs, even when the first variants are refused. A baffle's sweep solves
// each speaker whole.
TEST(SpeakerSweep, VariantsOfOnePlateAreEachVariantsOwnSolveBitForBit) {
    const auto speaker = parseSpeakerText(coarseExample(), "two-way.toml");
    ASSERT_TRUE(speaker) << speaker.error().message;
    const struct {
        std::vector<std::string> ranges;
        bool samePlate;
        bool firstRefused;
    } sweeps[] = {
        {{"tweeter.x=50:10:-20", "tweeter.y=70:80:10"}, true, true},  // 50 cm: off the baffle
        {{"woofer.diameter=-10:30:20", "tweeter.gain_db=-3:0:3"}, true, true},
        {{"woofer.delay_ms=0:0.2:0.2", "woofer.rear_level_db=-6:0:6",
          "listening.distance=100:200:100"},
         true,
         false},
        {{"baffle.width=40:50:10", "tweeter.x=20:25:5"}, false, false},
    };
    for (const auto& [ranges, samePlate, firstRefused] : sweeps) {
        std::vector<SpeakerSweepSpec> specs;
        for (const std::string& range : ranges)
            specs.push_back(*parseSpeakerSweepSpec(range, *speaker));
        const auto variants = speakerSweepVariants(*speaker, specs, 0.01);
        ASSERT_TRUE(variants) << variants.error();
        EXPECT_EQ(variants->front().samePlate, samePlate) << ranges.front();
        for (const int jobs : {1, 2}) {
            const auto results = evaluateSpeakerVariants(*variants, MeritBand{}, jobs);
            ASSERT_EQ(results.size(), variants->size());
            for (std::size_t i = 0; i < results.size(); ++i) {
                const auto model = speakerModelOnItsGrid((*variants)[i].speaker);
                const auto heard = model ? speakerOnAxis(*model)
                                         : Result<SpeakerResponse, std::string>(model.error());
                const std::string what =
                    (*variants)[i].name + ", " + std::to_string(jobs) + " jobs";
                EXPECT_EQ(results[i].note, heard ? "" : heard.error()) << what;
                EXPECT_EQ(results[i].sum, heard ? heard->sum : std::vector<std::complex<double>>{})
                    << what;
            }
            EXPECT_EQ(results.front().note.empty(), !firstRefused) << ranges.front();
        }
    }
}

struct RefusedSweep {
    const char* name;
    std::vector<std::string> arguments;  // after the file
    const char* err;
};

void PrintTo(const RefusedSweep& c, std::ostream* out) {
    *out << c.name;
}

class SpeakerSweepRefusal : public testing::TestWithParam<RefusedSweep> {};

TEST_P(SpeakerSweepRefusal, NamesTheReasonWithStatus2) {
    const TempDir dir;
    std::vector<std::string> arguments = {"sweep", speakerFile(dir, coarseExample())};
    arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
    const ToolRun run = runTool(arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(GetParam().err), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    SpeakerFile, SpeakerSweepRefusal,
    testing::Values(RefusedSweep{"UnknownField",
                                 {"tweeter.z=1:2:1"},
                                 "unknown field 'tweeter.z' (fields: baffle.width, baffle.height, "
                                 "baffle.corner_size, listening.distance, <driver>.x, <driver>.y, "
                                 "<driver>.diameter, <driver>.gain_db, <driver>.delay_ms, "
                                 "<driver>.rear_level_db)"},
                    RefusedSweep{"ParameterFileName", {"width=40:50:10"}, "unknown field 'width'"},
                    RefusedSweep{"UnknownDriver",
                                 {"mid.x=1:2:1"},
                                 "the speaker has no driver 'mid' (drivers: woofer, tweeter)"},
                    RefusedSweep{"SweptTwice",
                                 {"woofer.gain_db=0:1:1", "woofer.gain_db=2:3:1"},
                                 "woofer.gain_db is swept twice"},
                    RefusedSweep{"BadRange", {"woofer.y=30:20:5"}, "STEP leads away from TO"},
                    RefusedSweep{"OtherColumn",
                                 {"woofer.y=30:40:5", "--column", "off-axis"},
                                 "--column: a speaker file's sweep judges the sum on axis"}),
    [](const auto& info) { return std::string(info.param.name); });

double levelDb(std::complex<double> value) {
    return 20.0 * std::log10(std::abs(value));
}

SpeakerResponse onAxis(const Speaker& speaker) {
    const auto model = SpeakerModel::create(speaker, *FrequencyGrid::perOctave(speaker.grid));
    EXPECT_TRUE(model);
    if (!model) return {};
    const auto heard = model->listen(PlateListener{speaker.listeningDistanceM, 0.0, 0.0});
    EXPECT_TRUE(heard);
    return heard ? *heard : SpeakerResponse{};
}

TEST(SpeakerEq, TheWrittenSpeakerHearsItsFittedChainOnTheSum) {
    const TempDir dir;
    // An old chain of its own, which the fit leaves out and the output replaces.
    const std::string file =
        speakerFile(dir, coarseExample("[[driver]]\nname = \"woofer\"",
                                       "[[filter]]\nkind = \"high-shelf\"\nfrequency_hz = 3000.0\n"
                                       "gain_db = 9.0\n\n[[driver]]\nname = \"woofer\""));
    const std::string written = dir.file("eq.toml");
    const ToolRun run = runTool({"eq", file, "--band", "60:3000", "--filters", "3",
                                 "--write-speaker", written, "--tolerance", "30"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("its own 1 [[filter]] left out"), std::string::npos) << run.err;
    const auto raw = readSpeakerFile(file);
    const auto fitted = readSpeakerFile(written);
    ASSERT_TRUE(raw && fitted) << (fitted ? "" : speakerFileErrorText(fitted.error()));
    ASSERT_EQ(fitted->filters.size(), 3U);
    for (const SpeakerFilter& filter : fitted->filters) {
        EXPECT_EQ(filter.kind, SpeakerFilter::Kind::biquad);
        EXPECT_NE(filter.biquad.kind, FilterKind::highShelf);
    }
    Speaker unequalised = *raw;
    unequalised.filters.clear();
    const SpeakerResponse before = onAxis(unequalised);
    const SpeakerResponse after = onAxis(*fitted);
    const auto chain = speakerFilterResponse(*fitted, before.frequenciesHz);
    ASSERT_TRUE(chain);
    ASSERT_EQ(after.sum.size(), before.sum.size());
    for (std::size_t i = 0; i < before.sum.size(); ++i) {
        EXPECT_NEAR(levelDb(after.sum[i]), levelDb(before.sum[i]) + levelDb((*chain)[i]), 0.01)
            << before.frequenciesHz[i] << " Hz";
    }
    // The fit printed is the chain written: its equalised sum is as flat in
    // the band as eq says (a chain that fails to reach the file would not be).
    EXPECT_NE(run.out.find("sum on axis, 60 to 3000 Hz"), std::string::npos) << run.out;
}

TEST(SpeakerEq, TheInputIsReplacedOnlyWithForce) {
    const TempDir dir;
    const std::string file = speakerFile(dir, coarseExample());
    const std::string original = readFile(file);
    const ToolRun refused = runTool({"eq", file, "--write-speaker", file});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("is the input speaker file"), std::string::npos) << refused.err;
    EXPECT_EQ(readFile(file), original);
    const ToolRun forced =
        runTool({"eq", file, "--write-speaker", file, "--force", "--tolerance", "30"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    const auto replaced = readSpeakerFile(file);
    ASSERT_TRUE(replaced);
    EXPECT_FALSE(replaced->filters.empty());
    const ToolRun parameterFile = runTool(
        {"eq", referenceFile("rectangular-centred", "Opbaffin.txt"), "--write-speaker", file});
    EXPECT_EQ(parameterFile.status, 2);
    EXPECT_NE(parameterFile.err.find("--write-speaker: only for a speaker file"),
              std::string::npos);
}

TEST(SpeakerEq, FitsTheSpinCurvesOfItsOrbits) {
    const TempDir dir;
    const std::string file = speakerFile(dir, coarseExample());
    for (const char* curve : {"listening-window", "sound-power"}) {
        const ToolRun run = runTool({"eq", file, "--curve", curve, "--tolerance", "30"});
        EXPECT_EQ(run.status, 0) << curve << ": " << run.err;
        EXPECT_NE(
            run.out.find(std::string(curve) == "sound-power" ? "sound power" : "listening window"),
            std::string::npos)
            << run.out;
    }
}

}  // namespace
}  // namespace opbaff::tools::test
