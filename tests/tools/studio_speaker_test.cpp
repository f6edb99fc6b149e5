// POST /api/speaker over HTTP on loopback: each driver and the sum are the
// library's SpeakerModel heard at the listening distance, a moved driver is
// the speaker solved afresh though only that driver was, the file answered
// reads back to the same curves, the directivity is that of a symmetric
// speaker, and every refusal names its reason.
#include "studio_speaker.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <numbers>
#include <sstream>
#include <thread>

#include "opbaff/speaker.h"
#include "opbaff/speaker_file.h"
#include "studio_test_support.h"

namespace opbaff::tools {
namespace {

std::string exampleText() {
    std::ifstream in(std::string(OPBAFF_TEST_DATA) + "/two-way.toml", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

using test::RunningStudio;

// The answer of POST /api/speaker with `query`, expected with `status`.
nlohmann::json post(const RunningStudio& studio, const std::string& query, const std::string& body,
                    int status = 200, const std::string& type = "text/plain") {
    const auto answer = studio.client().Post("/api/speaker" + query, body, type);
    if (!answer) throw std::runtime_error("no answer to " + query);
    EXPECT_EQ(answer->status, status) << query << ": " << answer->body;
    return nlohmann::json::parse(answer->body);
}

// The library's own answer: the file read, solved on `pointsPerOctave` over
// its band, heard on axis at its listening distance.
SpeakerResponse libraryAnswer(const Speaker& speaker, int pointsPerOctave) {
    GridRequest request = speaker.grid;
    request.pointsPerOctave = pointsPerOctave;
    const auto grid = FrequencyGrid::perOctave(request);
    auto model = SpeakerModel::create(speaker, *grid);
    if (!model) throw std::runtime_error(speakerFailureText(speaker, model.error()));
    auto heard = model->listen(PlateListener{speaker.listeningDistanceM, 0.0, 0.0});
    if (!heard) throw std::runtime_error("cannot listen");
    return std::move(heard).value();
}

std::vector<float> levelsOf(const std::vector<std::complex<double>>& values) {
    std::vector<float> levels;
    for (const auto& p : values)
        levels.push_back(static_cast<float>(20.0 * std::log10(std::abs(p))));
    return levels;
}

std::vector<float> phasesOf(const std::vector<std::complex<double>>& values) {
    std::vector<float> phases;
    for (const auto& p : values)
        phases.push_back(static_cast<float>(std::arg(p) * 180.0 / std::numbers::pi));
    return phases;
}

void expectCurvesAre(const nlohmann::json& answer, const SpeakerResponse& expected) {
    ASSERT_EQ(answer["drivers"].size(), expected.drivers.size());
    EXPECT_EQ(answer["frequencies"].get<std::vector<float>>(), expected.frequenciesHz);
    for (std::size_t i = 0; i < expected.drivers.size(); ++i) {
        EXPECT_EQ(answer["drivers"][i]["levels"].get<std::vector<float>>(),
                  levelsOf(expected.drivers[i]))
            << i;
        EXPECT_EQ(answer["drivers"][i]["phases"].get<std::vector<float>>(),
                  phasesOf(expected.drivers[i]))
            << i;
    }
    EXPECT_EQ(answer["sum"]["levels"].get<std::vector<float>>(), levelsOf(expected.sum));
    EXPECT_EQ(answer["sum"]["phases"].get<std::vector<float>>(), phasesOf(expected.sum));
}

// Within 0.01 dB and 0.1 degree: a driver heard moved by reciprocity.
void expectCurvesNear(const nlohmann::json& answer, const SpeakerResponse& expected) {
    ASSERT_EQ(answer["drivers"].size(), expected.drivers.size());
    const auto near = [](const nlohmann::json& curve, const std::vector<std::complex<double>>& to,
                         const std::string& what) {
        const auto levels = curve["levels"].get<std::vector<float>>();
        const auto phases = curve["phases"].get<std::vector<float>>();
        const auto wanted = levelsOf(to);
        const auto wantedPhases = phasesOf(to);
        ASSERT_EQ(levels.size(), wanted.size()) << what;
        for (std::size_t j = 0; j < levels.size(); ++j) {
            EXPECT_NEAR(levels[j], wanted[j], 0.01) << what << ", point " << j;
            const double turn = std::remainder(phases[j] - wantedPhases[j], 360.0);
            EXPECT_LT(std::abs(turn), 0.1) << what << ", point " << j;
        }
    };
    for (std::size_t i = 0; i < expected.drivers.size(); ++i) {
        near(answer["drivers"][i], expected.drivers[i], "driver " + std::to_string(i));
    }
    near(answer["sum"], expected.sum, "sum");
}

TEST(SpeakerApiTest, CurvesAreTheLibrarysAndAMovedDriverIsHeardOrSolvedAloneToTheSameAnswer) {
    const RunningStudio studio;
    const std::string text = exampleText();
    const auto speaker = parseSpeakerText(text, "two-way.toml");
    ASSERT_TRUE(speaker);

    const auto first = post(studio, "?grid=2", text);
    EXPECT_EQ(first["driversSolved"], 2);
    expectCurvesAre(first, libraryAnswer(*speaker, 2));
    EXPECT_NEAR(first["drivers"][1]["centreCm"][0].get<double>(), 20.0, 1e-9);
    EXPECT_NEAR(first["drivers"][1]["centreCm"][1].get<double>(), 80.0, 1e-9);

    // The tweeter 3 cm to the right, as a drag moves it: heard moved without a
    // solve, the answer that of the moved speaker solved from scratch.
    const auto dragged = post(studio, "?grid=2&move=1:23:80", first["file"].get<std::string>());
    EXPECT_EQ(dragged["driversSolved"], 0);
    EXPECT_EQ(dragged["heardMoved"], true);
    Speaker movedSpeaker = *speaker;
    movedSpeaker.drivers[1].centreM = {0.23, 0.80};
    const SpeakerResponse movedAnswer = libraryAnswer(movedSpeaker, 2);
    expectCurvesNear(dragged, movedAnswer);
    EXPECT_NE(dragged["sum"]["levels"], first["sum"]["levels"]);
    EXPECT_NEAR(dragged["drivers"][1]["centreCm"][0].get<double>(), 23.0, 1e-9);

    // With the directivity asked, as when the drag rests: only the tweeter is
    // solved again, to the library's answer.
    const auto moved = post(studio, "?grid=2&directivity=30", dragged["file"].get<std::string>());
    EXPECT_EQ(moved["driversSolved"], 1);
    EXPECT_EQ(moved["heardMoved"], false);
    expectCurvesAre(moved, movedAnswer);

    // The file answered is the moved speaker: sent again it is the same
    // speaker, answered from the model kept, with the same curves.
    const auto again = post(studio, "?grid=2", moved["file"].get<std::string>());
    EXPECT_EQ(again["driversSolved"], 0);
    EXPECT_EQ(again["sum"], moved["sum"]);
    EXPECT_EQ(again["drivers"], moved["drivers"]);
    EXPECT_EQ(again["file"], moved["file"]);

    // Another grid is another model.
    const auto finer = post(studio, "?grid=3", moved["file"].get<std::string>());
    EXPECT_EQ(finer["driversSolved"], 2);
    expectCurvesAre(finer, libraryAnswer(movedSpeaker, 3));
}

// The example is symmetric about its vertical centre line: its horizontal
// directivity is the same at +a and -a; at 0 degrees both planes are on axis.
TEST(SpeakerApiTest, DirectivityRoundBothPlanesIsOnAxisAtZeroAndMirrorsHorizontally) {
    const RunningStudio studio;
    const auto answer = post(studio, "?grid=1&directivity=10", exampleText());
    for (const char* plane : {"horizontal", "vertical"}) {
        const auto& set = answer["directivity"][plane];
        const auto angles = set["angles"].get<std::vector<float>>();
        ASSERT_EQ(angles.size(), 37U) << plane;
        EXPECT_EQ(angles.front(), -180.0F);
        EXPECT_EQ(angles.back(), 180.0F);
        EXPECT_EQ(set["levels"][18], answer["sum"]["levels"]) << plane;
        EXPECT_EQ(set["onAxis"], answer["sum"]["levels"]) << plane;
    }
    const auto& horizontal = answer["directivity"]["horizontal"]["levels"];
    const auto& vertical = answer["directivity"]["vertical"]["levels"];
    bool verticalAsymmetric = false;
    for (std::size_t a = 0; a < 18; ++a) {
        const auto left = horizontal[a].get<std::vector<float>>();
        const auto right = horizontal[36 - a].get<std::vector<float>>();
        for (std::size_t f = 0; f < left.size(); ++f) {
            EXPECT_NEAR(left[f], right[f], 1e-3) << "angle " << a << ", frequency " << f;
        }
        verticalAsymmetric = verticalAsymmetric || vertical[a] != vertical[36 - a];
    }
    // Up and down differ: the drivers sit off the baffle's horizontal centre line.
    EXPECT_TRUE(verticalAsymmetric);
}

// The spin of the sum from both orbits: on axis it is the sum; a step that
// misses angles the spin needs gives none.
TEST(SpeakerApiTest, SpinIsOnAxisTheSumAndNeedsEveryTenDegrees) {
    const RunningStudio studio;
    const auto answer = post(studio, "?grid=1&directivity=10", exampleText());
    EXPECT_EQ(answer["spin"]["onAxis"], answer["sum"]["levels"]);
    EXPECT_EQ(answer["spin"]["soundPower"].size(), answer["frequencies"].size());
    const auto coarse = post(studio, "?grid=1&directivity=15", exampleText());
    EXPECT_FALSE(coarse.contains("spin"));
    EXPECT_TRUE(coarse.contains("directivity"));
}

// A measured driver's FRD comes in the JSON body, else the file is refused
// at the file's key, naming the FRD.
TEST(SpeakerApiTest, MeasuredDriverReadsItsFrdFromTheRequestOnly) {
    const RunningStudio studio;
    std::string text = exampleText();
    const std::string highPass =
        "response = { kind = \"high-pass\", resonance_hz = 700.0, q = 0.7 }";
    text.replace(text.find(highPass), highPass.size(),
                 "response = { kind = \"measured\", file = \"tweeter.frd\" }");
    const auto refused = post(studio, "?grid=1", text, 422);
    EXPECT_NE(refused["error"].get<std::string>().find("tweeter.frd"), std::string::npos);
    EXPECT_EQ(refused["key"], "driver[1].response.file");
    EXPECT_GT(refused["line"].get<int>(), 0);

    const std::string frd = "10 -20 90\n1000 0 0\n30000 0 0\n";
    const nlohmann::json body{{"speaker", text}, {"frd", {{"tweeter.frd", frd}}}};
    const auto answer = post(studio, "?grid=1", body.dump(), 200, "application/json");
    auto speaker = parseSpeakerText(
        text, "t.toml",
        [&](const std::string&) -> Result<std::string, FrdLoadError> { return frd; });
    ASSERT_TRUE(speaker);
    expectCurvesAre(answer, libraryAnswer(*speaker, 1));
}

struct Refusal {
    std::string name;
    std::string query;
    std::string body;  // "" for the example
    std::string type;
    int status;
    std::string words;  // in the error's message
};

void PrintTo(const Refusal& c, std::ostream* out) {
    *out << c.name;
}

const Refusal kRefusals[] = {
    {"FileDoesNotRead", "?grid=1", "[baffle]\nwidth = \"wide\"\n", "text/plain", 422, "width"},
    {"FileGridTooFine", "", "", "text/plain", 400, "at most 49 frequencies"},
    {"GridOutOfRange", "?grid=0", "", "text/plain", 400, "grid takes"},
    {"MoveNoSuchDriver", "?grid=1&move=2:20:20", "", "text/plain", 400, "no driver 2"},
    {"MoveNotNumbers", "?grid=1&move=1:x:20", "", "text/plain", 400, "move takes"},
    {"MoveOffTheBaffle", "?grid=1&move=1:60:80", "", "text/plain", 422, "tweeter"},
    {"BaffleCornersUnknown", "?grid=1&baffle=40:100:oval:5", "", "text/plain", 400, "baffle takes"},
    {"DirectivityStepNotDividing", "?grid=1&directivity=7", "", "text/plain", 400, "divides 180"},
    {"DirectivityTooCostly", "?grid=4&directivity=2", "", "text/plain", 400, "angle step"},
    {"JsonMemberUnknown", "?grid=1", R"({"speaker": "", "script": 1})", "application/json", 400,
     "'script'"},
    {"JsonSpeakerNotText", "?grid=1", R"({"speaker": 5})", "application/json", 400, "file's text"},
    {"BodyForm", "?grid=1", "a=b", "application/x-www-form-urlencoded", 415, "text/plain"},
};

class SpeakerRefusalTest : public testing::TestWithParam<Refusal> {};

TEST_P(SpeakerRefusalTest, StatusAndReason) {
    static const RunningStudio studio;
    const Refusal& r = GetParam();
    const auto answer =
        post(studio, r.query, r.body.empty() ? exampleText() : r.body, r.status, r.type);
    EXPECT_NE(answer["error"].get<std::string>().find(r.words), std::string::npos)
        << answer["error"];
}

INSTANTIATE_TEST_SUITE_P(Cases, SpeakerRefusalTest, testing::ValuesIn(kRefusals),
                         [](const auto& info) { return info.param.name; });

// Every speaker request is weighed as if each driver were solved, so the
// costly workers take it; one that does not read weighs nothing.
TEST(SpeakerApiTest, CostCountsEveryDriversSolveAndEveryPlace) {
    StudioRequest request{"POST", "/api/speaker", {{"grid", "2"}}, "text/plain", exampleText(), {}};
    EXPECT_EQ(costOf(request), 21U * 2U * (kAccurateCostPerFrequency + 1));
    request.query.emplace("directivity", "90");
    EXPECT_EQ(costOf(request), 21U * 2U * (kAccurateCostPerFrequency + 1 + 2 * 5));
    EXPECT_GT(costOf(request), ServerLimits{}.costlyPairs);
    request.body = "[baffle";
    EXPECT_EQ(costOf(request), 0U);
}

}  // namespace
}  // namespace opbaff::tools
