// POST /api/speaker-frd over HTTP on loopback: the files answered are byte
// for byte those polar writes for the speaker file answered with them, the
// drivers' files sum as complex values to the sum's, a set stops when asked
// to, and a request beyond the studio's bounds is refused with the reason.
#include <gtest/gtest.h>
#include <httplib.h>

#include <cmath>
#include <complex>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <numbers>
#include <string>
#include <thread>

#include "opbaff/speaker_file.h"
#include "speaker_polar.h"
#include "studio_test_support.h"
#include "tool_io.h"
#include "tool_test_support.h"

namespace opbaff::tools::test {
namespace {

std::string exampleText() {
    return readFile(std::string(OPBAFF_TEST_DATA) + "/../../examples/two-way.toml");
}

// The example on a coarse band, the tweeter delayed so that the drivers'
// relative phase matters.
std::string coarseExample() {
    std::string text = exampleText();
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"lowest_hz = 20.0", "lowest_hz = 50.0"},
             {"highest_hz = 20000.0", "highest_hz = 8000.0"},
             {"rear = false ", "rear = false\ndelay_ms = 0.15 "}}) {
        text.replace(text.find(from), from.size(), to);
    }
    return text;
}

// The answer of POST /api/speaker-frd with `query`, expected with `status`.
nlohmann::ordered_json post(const RunningStudio& studio, const std::string& query,
                            const std::string& body, int status) {
    const auto answer = studio.client(120).Post("/api/speaker-frd" + query, body, "text/plain");
    if (!answer) throw std::runtime_error("no answer to " + query);
    EXPECT_EQ(answer->status, status) << query << ": " << answer->body.substr(0, 400);
    EXPECT_EQ(answer->get_header_value("Content-Type").rfind("application/json", 0), 0U);
    return nlohmann::ordered_json::parse(answer->body);
}

std::vector<std::complex<double>> valuesOf(const std::string& text, const std::string& name) {
    const auto frd = parseFrdText(text, name);
    EXPECT_TRUE(frd) << name << ": " << (frd ? "" : frd.error().message);
    std::vector<std::complex<double>> values;
    if (!frd) return values;
    for (std::size_t i = 0; i < frd->levelsDb.size(); ++i) {
        values.push_back(std::polar(std::pow(10.0, frd->levelsDb[i] / 20.0),
                                    frd->phasesDeg[i] * std::numbers::pi / 180.0));
    }
    return values;
}

// The set answered for the coarse example on 1 point per octave at 30
// degrees is, file for file and byte for byte, what polar writes for the
// speaker file of the answer, read from where the remarks say it was.
TEST(SpeakerFrdApiTest, FilesAreThoseThePolarCommandWritesForTheAnsweredSpeakerFile) {
    const RunningStudio studio;
    const TempDir dir;
    const std::string path = dir.file("two-way.toml");
    // A temporary folder's path: letters, digits and "/._-", whole in a query.
    ASSERT_EQ(path.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                     "0123456789/._-"),
              std::string::npos);
    const auto answer = post(studio, "?grid=1&step=30&source=" + path, coarseExample(), 200);
    writeFile(path, answer["speaker"].get<std::string>());
    const TempDir out;
    const ToolRun run = runTool({"polar", path, "--angles", "-180:180:30", "--vertical",
                                 "-180:180:30", "--output-dir", out.path().string()});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    const auto written = snapshot(out.path());
    const auto answered = answer["files"].get<std::map<std::string, std::string>>();
    EXPECT_EQ(answered.size(), 3U * 2U * 13U);
    EXPECT_EQ(answered, written);
    EXPECT_TRUE(answered.count("Two-way_open_baffle woofer ver -150.frd"));
    // The answer keeps polar's order: the woofer's horizontal set first.
    EXPECT_EQ(answer["files"].begin().key(), "Two-way_open_baffle woofer hor -180.frd");
    EXPECT_NE(answered.begin()->second.find("from " + path), std::string::npos);
}

// Each driver's complex values read back from its files and summed are the
// sum's file, within 0.01 dB and 0.1 degree, in both planes and behind.
TEST(SpeakerFrdApiTest, DriversFilesSumToTheSumsFile) {
    const RunningStudio studio;
    const auto answer = post(studio, "?grid=2&step=45", coarseExample(), 200);
    const auto& files = answer["files"];
    const std::string name = answer["name"].get<std::string>();
    for (const char* place : {"hor 0", "hor -45", "hor 135", "ver 90", "ver -135", "ver 180"}) {
        const auto file = [&](const char* curve) {
            const std::string n = name + " " + curve + " " + place + ".frd";
            return valuesOf(files.at(n).get<std::string>(), n);
        };
        const auto woofer = file("woofer");
        const auto tweeter = file("tweeter");
        const auto sum = file("sum");
        ASSERT_EQ(sum.size(), 16U) << place;  // 50 Hz to 8 kHz, two per octave
        ASSERT_EQ(woofer.size(), sum.size()) << place;
        ASSERT_EQ(tweeter.size(), sum.size()) << place;
        for (std::size_t i = 0; i < sum.size(); ++i) {
            const std::complex<double> summed = woofer[i] + tweeter[i];
            EXPECT_NEAR(20.0 * std::log10(std::abs(summed)), 20.0 * std::log10(std::abs(sum[i])),
                        0.01)
                << place << ", point " << i;
            EXPECT_NEAR(std::arg(summed / sum[i]) * 180.0 / std::numbers::pi, 0.0, 0.1)
                << place << ", point " << i;
        }
    }
}

// A client gone stops the set: asked before the first place and then as
// progress is, a `stopped` that says so leaves the set unanswered; one that
// never does gives computeSpeakerPolar's set, value for value.
TEST(SpeakerFrdApiTest, StoppedBeforeOrDuringTheSetAnswersNothing) {
    const auto speaker = parseSpeakerText(coarseExample(), "two-way.toml");
    ASSERT_TRUE(speaker);
    GridRequest coarse = speaker->grid;
    coarse.pointsPerOctave = 1;
    const auto model = SpeakerModel::create(*speaker, *FrequencyGrid::perOctave(coarse));
    ASSERT_TRUE(model);
    const auto angles = *parseAngles("-180:180:30");
    const auto whole = computeSpeakerPolar(*model, 2.0, angles, angles, 2);
    ASSERT_TRUE(whole);
    for (const int stopAt : {0, 1, 2, -1}) {  // the question answered true; -1: none
        int asked = 0;
        const auto polar = computeSpeakerPolarUnlessStopped(*model, 2.0, angles, angles, 2,
                                                            [&] { return asked++ == stopAt; });
        EXPECT_GE(asked, 1) << stopAt;
        if (stopAt >= 0 && stopAt < asked) {
            EXPECT_FALSE(polar) << stopAt;
            continue;
        }
        ASSERT_TRUE(polar && *polar) << stopAt;
        for (std::size_t k = 0; k < angles.size(); ++k) {
            EXPECT_EQ((*polar)->horizontal[k].sum, whole->horizontal[k].sum) << k;
            EXPECT_EQ((*polar)->vertical[k].drivers, whole->vertical[k].drivers) << k;
        }
    }
}

struct Refusal {
    std::string name;
    std::string query;
    int status;
    std::string words;  // in the error's message
};

void PrintTo(const Refusal& c, std::ostream* out) {
    *out << c.name;
}

const Refusal kRefusals[] = {
    {"TooCostly", "?grid=4&step=2", 400, "step=STEP"},
    {"FileGridTooFine", "?step=10", 400, "grid=N"},
    {"StepNotDividing", "?grid=1&step=7", 400, "step takes"},
    {"SourceNotPrintable", "?grid=1&step=90&source=a%0Ab", 400, "source takes"},
    {"MoveOffTheBaffle", "?grid=1&step=90&move=1:60:80", 422, "tweeter"},
};

class SpeakerFrdRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(SpeakerFrdRefusal, IsJsonNamingWhatToChange) {
    static const RunningStudio studio;
    const Refusal& r = GetParam();
    const auto answer = post(studio, r.query, exampleText(), r.status);
    EXPECT_NE(answer["error"].get<std::string>().find(r.words), std::string::npos)
        << answer["error"];
}

INSTANTIATE_TEST_SUITE_P(Cases, SpeakerFrdRefusal, testing::ValuesIn(kRefusals),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace opbaff::tools::test
