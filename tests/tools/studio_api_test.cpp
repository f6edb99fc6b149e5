// The studio's server and JSON API, over HTTP on a loopback port the system
// chooses: responses bit for bit those of the program, every class of bad
// request answered with its status and a message naming the field, the page's
// files served exactly and nothing else, and many clients at once.
#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "check.h"
#include "eq_fit.h"
#include "frd.h"
#include "merit.h"
#include "opbaff/opbaff.h"
#include "polar.h"
#include "studio_api_output.h"
#include "studio_assets.h"
#include "studio_design_json.h"
#include "studio_server.h"
#include "studio_test_support.h"
#include "tool_io.h"
#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

// JSON read with strtof: each number is the float its digits stand for.
using SingleJson = nlohmann::basic_json<std::map, std::vector, std::string, bool, std::int64_t,
                                        std::uint64_t, float>;

using test::RunningStudio;

// A design as a script would write it, built apart from the server's writer.
std::string designJson(const Design& d) {
    const auto onOff = [](bool on) { return on ? "on" : "off"; };
    return nlohmann::json{{"model", modelName(d.model)},
                          {"baffleHeightCm", d.baffleHeightCm},
                          {"baffleWidthCm", d.baffleWidthCm},
                          {"driverXCm", d.driverXCm},
                          {"driverYCm", d.driverYCm},
                          {"driverDiameterCm", d.driverDiameterCm},
                          {"resonanceHz", d.resonanceHz},
                          {"qualityFactor", d.qualityFactor},
                          {"listenerDistanceM", d.listenerDistanceM},
                          {"rearPhaseFactor", onOff(d.rearPhaseFactor == RearPhaseFactor::on)},
                          {"pistonFactor", onOff(d.pistonFactor == PistonFactor::on)},
                          {"roundBaffleDiameterCm", d.roundBaffleDiameterCm},
                          {"rearLevel", d.rearLevel == RearLevel::half ? "half" : "full"},
                          {"offAxisAngleDeg", d.offAxisAngleDeg}}
        .dump();
}

// The example's JSON with one member's text replaced (or, for "", added).
std::string exampleWith(const std::string& member, const std::string& replacement) {
    std::string text = designJson(Design{});
    if (member.empty()) return text.substr(0, text.size() - 1) + "," + replacement + "}";
    const std::size_t start = text.find("\"" + member + "\"");
    const std::size_t end = text.find_first_of(",}", start);
    return text.replace(start, end - start + (replacement.empty() && text[end] == ',' ? 1 : 0),
                        replacement);
}

// The levels of a response answer, column by column; null is NaN.
std::vector<std::vector<float>> levelsOf(const std::string& answer) {
    const SingleJson parsed = SingleJson::parse(answer);
    std::vector<std::vector<float>> levels;
    for (const SingleJson& column : parsed.at("columns")) {
        levels.emplace_back();
        for (const SingleJson& level : column.at("levels")) {
            levels.back().push_back(level.is_null() ? std::nanf("") : level.get<float>());
        }
    }
    return levels;
}

// The levels as the result file's lines.
std::string resultLines(const std::vector<std::vector<float>>& levels) {
    std::string lines;
    for (std::size_t i = 0; i < levels.at(0).size(); ++i) {
        const ResultLine line =
            formatResultLine({levels[0][i], levels[1][i], levels[2][i], levels[3][i]});
        lines.append(line.begin(), line.end());
    }
    return lines;
}

struct GoldenCase {
    std::string name;
    std::string referenceCase;
    bool asJson;
};

void PrintTo(const GoldenCase& c, std::ostream* out) {
    *out << c.name;
}

std::vector<GoldenCase> goldenCases() {
    std::vector<GoldenCase> cases;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(OPBAFF_TEST_DATA) / "golden")) {
        const std::string name = entry.path().filename().string();
        for (const bool asJson : {false, true}) {
            std::string label = name + (asJson ? "_json" : "_text");
            std::replace(label.begin(), label.end(), '-', '_');
            cases.push_back({label, name, asJson});
        }
    }
    std::sort(cases.begin(), cases.end(),
              [](const GoldenCase& a, const GoldenCase& b) { return a.name < b.name; });
    return cases;
}

class GoldenTest : public testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenTest, StandardGridLevelsAreTheResultFileBitForBit) {
    const GoldenCase& c = GetParam();
    const std::string parameters =
        test::readFile(test::referenceFile(c.referenceCase, "Opbaffin.txt"));
    const RunningStudio studio;
    httplib::Client client = studio.client();
    const auto answer =
        c.asJson ? client.Post("/api/response", designJson(readParameterText(parameters)->design),
                               "application/json")
                 : client.Post("/api/response?grid=standard", parameters, "text/plain");
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->status, 200) << answer->body;
    EXPECT_EQ(resultLines(levelsOf(answer->body)),
              test::readFile(test::referenceFile(c.referenceCase, "OPBAFF.bds")));
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenTest, testing::ValuesIn(goldenCases()),
                         [](const testing::TestParamInfo<GoldenCase>& info) {
                             return info.param.name;
                         });

struct BadRequestCase {
    const char* name;
    const char* method;
    std::string target;
    const char* contentType;
    std::string body;
    int status;
    const char* fragment;  // of the error message
};

void PrintTo(const BadRequestCase& c, std::ostream* out) {
    *out << c.name;
}

std::string exampleText() {
    return test::readFile(test::referenceFile("rectangular-off-centre", "Opbaffin.txt"));
}

const std::string kJson = "application/json";

// A chain of `count` peaking filters, as ?chain= takes it.
std::string repeatedFilter(int count) {
    std::string chain;
    for (int i = 0; i < count; ++i) chain += std::string(i == 0 ? "" : ",") + "peaking:1000:1:1";
    return chain;
}

const BadRequestCase kBadRequests[] = {
    {"malformed_json", "POST", "/api/response", "application/json", "{\"model\": ", 400,
     "malformed JSON: "},
    {"not_an_object", "POST", "/api/check", "application/json", "[1, 2]", 400,
     "the design must be a JSON object, not array"},
    {"missing_field", "POST", "/api/response", "application/json", exampleWith("qualityFactor", ""),
     400, "missing field 'qualityFactor'"},
    {"number_as_text", "POST", "/api/response", "application/json",
     exampleWith("baffleWidthCm", "\"baffleWidthCm\": \"60\""), 400,
     "field 'baffleWidthCm' must be a number, not string"},
    {"unknown_choice", "POST", "/api/response", "application/json",
     exampleWith("model", "\"model\": \"round\""), 400,
     "field 'model' must be \"rectangular\", \"single-path\" or \"single-path-half-delay\""},
    {"unknown_field", "POST", "/api/response", "application/json",
     exampleWith("", "\"colour\": \"red\""), 400, "unknown field 'colour'"},
    {"number_beyond_single_precision", "POST", "/api/response", "application/json",
     exampleWith("driverXCm", "\"driverXCm\": 1e39"), 400,
     "field 'driverXCm': number overflow parsing '1e39'"},
    {"field_given_twice", "POST", "/api/response", "application/json",
     exampleWith("", "\"driverXCm\": 5"), 400, "field 'driverXCm' given twice"},
    {"title_line_in_parameter_text", "POST", "/api/response", "text/plain",
     "My baffle\n" + exampleText(), 400,
     "parameter text: invalid number: incomprehensible list input (record 1, line 1)"},
    {"empty_parameter_text", "POST", "/api/check", "text/plain", "", 400,
     "parameter text: list in: end of file (record 1, line 1)"},
    {"grid_word", "POST", "/api/response?grid=fine", "text/plain", exampleText(), 400,
     "grid takes 'standard' or a number of points per octave from 1 to 96, not 'fine'"},
    {"grid_too_fine", "POST", "/api/frd?column=1&grid=97", "text/plain", exampleText(), 400,
     "grid takes"},
    {"phase_unknown", "POST", "/api/response?phase=both", "text/plain", exampleText(), 400,
     "phase takes 'driver' or 'baffle', not 'both'"},
    {"baffle_only_word", "POST", "/api/response?baffleOnly=yes", "text/plain", exampleText(), 400,
     "baffleOnly takes 0 or 1, not 'yes'"},
    {"baffle_only_with_driver_phase", "POST", "/api/response?baffleOnly=1&phase=driver",
     "text/plain", exampleText(), 400, "phase: with baffleOnly=1 the driver's high-pass is left"},
    {"frd_baffle_only_with_driver_phase", "POST", "/api/frd?column=1&baffleOnly=1&phase=driver",
     "text/plain", exampleText(), 400, "phase: with baffleOnly=1"},
    {"band_reversed", "POST", "/api/response?band=2000:200", "text/plain", exampleText(), 400,
     "band '2000:200': FROM must lie below TO"},
    {"band_word", "POST", "/api/response?band=low:2000", "text/plain", exampleText(), 400,
     "band 'low:2000': FROM 'low' is not a number"},
    {"angles_without_step", "POST", "/api/polar?angles=0:90", "text/plain", exampleText(), 400,
     "angles: "},
    {"angles_too_many", "POST", "/api/polar?angles=-90:90:0.5", "text/plain", exampleText(), 400,
     "gives 361 angles; the studio computes at most 181"},
    {"polar_of_single_path", "POST", "/api/polar", "application/json",
     exampleWith("model", "\"model\": \"single-path\""), 422, "no directivity"},
    {"frd_without_column", "POST", "/api/frd", "text/plain", exampleText(), 400, "column: "},
    {"frd_of_reference_level", "POST", "/api/frd?column=3", "application/json",
     exampleWith("model", "\"model\": \"single-path\""), 400, "no response column '3'"},
    {"body_over_limit", "POST", "/api/response", "application/json",
     exampleWith("", std::string(kMaxRequestBodyBytes, ' ') + "\"x\": 0"), 413,
     "larger than 64 KiB"},
    {"xml_body", "POST", "/api/response", "application/xml", "<design/>", 415,
     "not 'application/xml'"},
    {"no_content_type", "POST", "/api/check", "", exampleText(), 415, "the request names none"},
    {"multipart_body", "POST", "/api/check", "multipart/form-data; boundary=x",
     "--x\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nb\r\n--x--\r\n", 415,
     "not 'multipart/form-data; boundary=x'"},
    {"polar_beyond_cost", "POST", "/api/polar?grid=96&angles=-90:90:1", "text/plain", exampleText(),
     400, "1054 frequencies at 181 angles are 190774 levels; the studio computes"},
    {"model_unknown", "POST", "/api/response?model=fast", "text/plain", exampleText(), 400,
     "model takes 'classic' or 'accurate', not 'fast'"},
    {"accurate_beyond_cost", "POST", "/api/response?model=accurate&grid=24", "text/plain",
     exampleText(), 400, "the accurate model computes at most 99 frequencies at a time"},
    {"accurate_polar_beyond_cost", "POST", "/api/polar?model=accurate&grid=8&angles=-90:90:1",
     "text/plain", exampleText(), 400, "the accurate model computes at most 99"},
    {"accurate_full_circle_beyond_cost", "POST",
     "/api/polar?model=accurate&grid=8&angles=-180:180:2", "text/plain", exampleText(), 400,
     "not 89 at 181 angles (84 at most); choose the standard grid, fewer points per octave or a "
     "larger angle step"},
    {"accurate_driver_off_the_plate", "POST", "/api/response?model=accurate&grid=1",
     "application/json", exampleWith("driverXCm", "\"driverXCm\": 60"), 422,
     "a driver lies outside the plate's outline or on its border"},
    {"eq_chain_unknown_type", "POST", "/api/eq?chain=notch:100:3:1", "text/plain", exampleText(),
     400, "chain: filter 1: type 'notch' is none of peaking"},
    {"eq_chain_gain_not_finite", "POST", "/api/eq?chain=peaking:100:3:1,peaking:200:nan:1",
     "text/plain", exampleText(), 400, "chain: filter 2: gain 'nan' is not a finite number"},
    {"eq_chain_gain_beyond_range", "POST", "/api/eq?chain=low-shelf:100:1e300:0.7", "text/plain",
     exampleText(), 400, "chain: filter 1: gain '1e300' lies outside -40 to 40"},
    {"eq_chain_frequency_zero", "POST", "/api/eq?chain=peaking:0:3:1", "text/plain", exampleText(),
     400, "frequency '0' lies outside 1 to 20000"},
    {"eq_chain_q_zero", "POST", "/api/eq?chain=peaking:100:3:0", "text/plain", exampleText(), 400,
     "Q '0' lies outside 0.1 to 20"},
    {"eq_chain_three_parts", "POST", "/api/eq?chain=peaking:100:3", "text/plain", exampleText(),
     400, "'peaking:100:3' is not KIND:HZ:DB:Q"},
    {"eq_chain_hex_number", "POST", "/api/eq?chain=peaking:0x10:3:1", "text/plain", exampleText(),
     400, "frequency '0x10' is not a finite number"},
    {"eq_chain_too_long", "POST", "/api/eq?chain=" + repeatedFilter(17), "text/plain",
     exampleText(), 400, "chain: 17 filters; the studio takes at most 16"},
    {"eq_filter_count_beyond", "POST", "/api/eq?filters=13", "text/plain", exampleText(), 400,
     "filters takes a count from 1 to 12, not '13'"},
    {"eq_boost_negative", "POST", "/api/eq?maxBoost=-1", "text/plain", exampleText(), 400,
     "maxBoost '-1' lies outside 0 to 40"},
    {"eq_tilt_infinite", "POST", "/api/eq?tilt=inf", "text/plain", exampleText(), 400,
     "tilt 'inf' is not a finite number"},
    {"eq_high_pass_word", "POST", "/api/eq?highPass=low", "text/plain", exampleText(), 400,
     "highPass 'low' is not a finite number"},
    {"eq_band_above_hearing", "POST", "/api/eq?band=40:30000", "text/plain", exampleText(), 400,
     "band: its top lies above 20000 Hz"},
    {"eq_band_without_points", "POST", "/api/eq?band=40:41", "text/plain", exampleText(), 422,
     "eq: fewer than 4 finite levels in the band"},
    {"eq_accurate_beyond_cost", "POST", "/api/eq?model=accurate&grid=24", "text/plain",
     exampleText(), 400, "eq: the accurate model computes at most 99"},
    {"eq_of_reference_level", "POST", "/api/eq?column=3", "application/json",
     exampleWith("model", "\"model\": \"single-path\""), 400, "no response column '3'"},
    {"get_on_eq", "GET", "/api/eq", "", "", 405, "(allowed: POST)"},
    {"parameter_file_with_a_title_line", "POST", "/api/read-parameter-file", "text/plain",
     "My baffle\n" + exampleText(), 422,
     "parameter file: invalid number: incomprehensible list input (record 1, line 1)"},
    {"parameter_file_cut_short", "POST", "/api/read-parameter-file", "text/plain",
     exampleText().substr(0, exampleText().find("\n", exampleText().find("\n") + 1) + 1), 422,
     "parameter file: list in: end of file (record 3, line 3)"},
    {"parameter_file_over_limit", "POST", "/api/read-parameter-file", "text/plain",
     exampleText() + std::string(kMaxRequestBodyBytes, ' '), 413, "larger than 64 KiB"},
    {"parameter_file_as_json", "POST", "/api/read-parameter-file", "application/json",
     exampleText(), 415, "the body must be the file's bytes, sent as text/plain"},
    {"get_on_read_parameter_file", "GET", "/api/read-parameter-file", "", "", 405,
     "(allowed: POST)"},
    {"unknown_api", "POST", "/api/nothing", "text/plain", exampleText(), 404,
     "no API at /api/nothing"},
    {"unknown_file", "GET", "/nothing.html", "", "", 404, "nothing at /nothing.html"},
    {"get_on_response", "GET", "/api/response", "", "", 405,
     "GET is not allowed on /api/response (allowed: POST)"},
    {"post_on_page", "POST", "/", "text/plain", "x", 405, "POST is not allowed on /"},
    {"delete_design", "DELETE", "/api/design", "", "", 405, "(allowed: GET, HEAD)"},
    {"parent_folders", "GET", "/../../etc/passwd", "", "", 404, "nothing at /../../etc/passwd"},
    {"parent_of_api", "GET", "/api/../CMakeLists.txt", "", "", 404, "no API at /api/.."},
    {"encoded_parent", "GET", "/%2e%2e/%2e%2e/etc/passwd", "", "", 404, "nothing at /../../etc"},
    {"below_a_file", "GET", "/index.html/../../CMakeLists.txt", "", "", 404, "nothing at"},
};

class BadRequestTest : public testing::TestWithParam<BadRequestCase> {};

TEST_P(BadRequestTest, StatusAndMessageThenTheServerServesOn) {
    const BadRequestCase& c = GetParam();
    const RunningStudio studio;
    httplib::Client client = studio.client();
    httplib::Request request;
    request.method = c.method;
    request.path = c.target;
    request.body = c.body;
    request.set_header("Content-Type", c.contentType);  // the client would add text/plain
    const auto answer = client.send(request);
    ASSERT_TRUE(answer) << httplib::to_string(answer.error());
    EXPECT_EQ(answer->status, c.status) << answer->body;
    EXPECT_EQ(answer->get_header_value("Content-Type"), kJson);
    const auto error = nlohmann::json::parse(answer->body, nullptr, false);
    ASSERT_TRUE(error.is_object() && error.contains("error")) << answer->body;
    EXPECT_NE(error["error"].get<std::string>().find(c.fragment), std::string::npos)
        << error["error"];
    const auto next = client.Post("/api/check", exampleText(), "text/plain");
    ASSERT_TRUE(next);
    EXPECT_EQ(next->status, 200);
}

INSTANTIATE_TEST_SUITE_P(Cases, BadRequestTest, testing::ValuesIn(kBadRequests),
                         [](const testing::TestParamInfo<BadRequestCase>& info) {
                             return std::string(info.param.name);
                         });

// A parameter file's design as the library reads it, to the last bit, with the
// notes on how its records were read; a file that does not read names its
// record and line apart from the message too.
TEST(ReadParameterFileTest, DesignIsTheLibrarysReadingOfTheFile) {
    const RunningStudio studio;
    httplib::Client client = studio.client();
    std::vector<std::string> texts;
    for (const GoldenCase& c : goldenCases()) {
        texts.push_back(test::readFile(test::referenceFile(c.referenceCase, "Opbaffin.txt")));
    }
    texts.push_back("0\nR\n100\n60,5\n22cm\n70\n20\n40\n0.7\n2\nY\nx\n60\nx\n30\n");
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        const auto answer = client.Post("/api/read-parameter-file", text, "text/plain");
        ASSERT_TRUE(answer);
        ASSERT_EQ(answer->status, 200) << answer->body;
        const auto read = readParameterText(text);
        ASSERT_TRUE(read);
        const auto body = nlohmann::json::parse(answer->body);
        const auto design = designFromJson(body.at("design").dump());
        ASSERT_TRUE(design) << design.error();
        EXPECT_EQ(designJson(*design), designJson(read->design));
        const auto notes = nlohmann::json::parse(notesJson(recordNotes(*read))).at("notes");
        EXPECT_EQ(body.at("notes"), notes);
    }
    EXPECT_FALSE(nlohmann::json::parse(
                     client.Post("/api/read-parameter-file", texts.back(), "text/plain")->body)
                     .at("notes")
                     .empty())
        << "a decimal comma, a unit word and codes in the wrong case are noted";

    std::string broken = exampleText();
    std::size_t fifth = 0;
    for (int line = 1; line < 5; ++line) fifth = broken.find('\n', fifth) + 1;
    broken.insert(fifth, "abc ");
    const auto refused = client.Post("/api/read-parameter-file", broken, "text/plain");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 422);
    const auto error = nlohmann::json::parse(refused->body);
    EXPECT_EQ(error.at("record"), 5) << refused->body;
    EXPECT_EQ(error.at("line"), 5) << refused->body;
}

// The largest body taken, and a chunked body (whose length the library
// does not bound) one byte over it.
TEST(BodyLimitTest, SixtyFourKibibytesAndNotAByteMore) {
    const RunningStudio studio;
    httplib::Client client = studio.client();
    const std::string design = designJson(Design{});
    const std::string largest = std::string(kMaxRequestBodyBytes - design.size(), ' ') + design;
    const auto taken = client.Post("/api/check", largest, "application/json");
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->status, 200) << taken->body;
    const std::string over = largest + " ";
    const auto refused = client.Post(
        "/api/check",
        [&](std::size_t offset, httplib::DataSink& sink) {
            const std::size_t length = std::min<std::size_t>(1000, over.size() - offset);
            sink.write(over.data() + offset, length);
            if (offset + length == over.size()) sink.done();
            return true;
        },
        "application/json");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 413) << refused->body;
}

// Each answer checked against the library's own levels for its design.
TEST(ConcurrencyTest, TwoHundredRequestsFromTwentyClientsAllAnsweredCorrectly) {
    const RunningStudio studio;
    std::atomic<int> correct = 0;
    std::vector<std::thread> clients;
    clients.reserve(20);
    for (int t = 0; t < 20; ++t) {
        clients.emplace_back([&, t] {
            httplib::Client client = studio.client();
            for (int r = 0; r < 10; ++r) {
                Design design;
                design.driverXCm = 5.0F + static_cast<float>(t) + 0.1F * static_cast<float>(r);
                design.roundBaffleDiameterCm = design.driverXCm * 3.0F;
                design.model = r % 2 == 0 ? Model::rectangular : Model::singlePathHalfDelay;
                const auto answer =
                    client.Post("/api/response", designJson(design), "application/json");
                if (!answer || answer->status != 200) continue;
                const Response expected = computeResponse(design);
                const std::vector<std::vector<float>> levels = {
                    expected.columns[0].levelsDb, expected.columns[1].levelsDb,
                    expected.columns[2].levelsDb, expected.columns[3].levelsDb};
                if (levelsOf(answer->body) == levels) ++correct;
            }
        });
    }
    for (std::thread& client : clients) client.join();
    EXPECT_EQ(correct.load(), 200);
}

// A polar set computed a few angles at a time, so that it can stop when its
// client goes, is the set computed at once, byte for byte.
TEST(PolarTest, AnswerIsTheWholeSetComputedAtOnce) {
    const RunningStudio studio;
    httplib::Client client = studio.client();
    const auto answer =
        client.Post("/api/polar?grid=12&angles=-90:85:5", designJson(Design{}), "application/json");
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->status, 200) << answer->body;
    const auto grid = FrequencyGrid::perOctave({.pointsPerOctave = 12});
    const auto set = computePolarSet(Design{}, *grid, parseAngles("-90:85:5").value(), 1);
    ASSERT_TRUE(set);
    EXPECT_EQ(answer->body, polarJson(*set));
}

// The filters of an eq answer, as the library's Filter.
std::vector<Filter> filtersOf(const nlohmann::json& answer) {
    std::vector<Filter> filters;
    for (const auto& f : answer.at("filters")) {
        const auto kind = filterKindNamed(f.at("type").get<std::string>().c_str());
        EXPECT_TRUE(kind) << f;
        filters.push_back({kind.value_or(FilterKind::peaking), f.at("frequencyHz").get<double>(),
                           f.at("gainDb").get<double>(), f.at("q").get<double>()});
    }
    return filters;
}

std::string chainQuery(const std::vector<Filter>& filters) {
    std::string chain;
    for (const Filter& f : filters) {
        chain += std::string(chain.empty() ? "" : ",") + filterKindName(f.kind) + ":" +
                 std::to_string(f.frequencyHz) + ":" + std::to_string(f.gainDb) + ":" +
                 std::to_string(f.q);
    }
    return chain;
}

// Every equalised level is the raw level plus the chain's at that frequency,
// for the chain the answer names; the raw levels are the library's; the
// largest deviation from the target in the band is the one reported.
void expectEqualisedIsRawPlusChain(const nlohmann::json& answer, const Response& response) {
    const std::vector<Filter> filters = filtersOf(answer);
    const auto frequencies = answer.at("frequencies").get<std::vector<float>>();
    ASSERT_EQ(frequencies, response.frequenciesHz);
    EXPECT_EQ(answer.at("raw").get<std::vector<float>>(), response.columns[0].levelsDb);
    double largest = 0.0;
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        const double expected = static_cast<double>(response.columns[0].levelsDb[i]) +
                                chainLevelDb(filters, frequencies[i], 48000.0);
        const double equalised = answer.at("equalised")[i].get<double>();
        EXPECT_NEAR(equalised, expected, 0.01) << frequencies[i] << " Hz";
        if (!answer.at("target")[i].is_null()) {
            largest = std::max(largest, std::abs(equalised - answer.at("target")[i].get<double>()));
        }
    }
    EXPECT_NEAR(answer.at("maxDeviationDb").get<double>(), largest, 0.01);
}

// A fit answers the tools' own fit of the same levels; the same chain given
// back, one gain edited, answers that chain, measured and not fitted again;
// the cost of a fit sends one on a fine grid to the costly workers.
TEST(EqApiTest, EqualisedIsRawPlusTheChainFittedOrGiven) {
    const RunningStudio studio;
    httplib::Client client = studio.client();
    const auto fitted = client.Post("/api/eq?grid=12&band=40:2000&filters=5&highPass=30",
                                    designJson(Design{}), "application/json");
    ASSERT_TRUE(fitted);
    ASSERT_EQ(fitted->status, 200) << fitted->body;
    const auto grid = FrequencyGrid::perOctave({.pointsPerOctave = 12});
    const Response response = computeResponse(Design{}, *grid);
    const auto own = fitEqualiser(response.frequenciesHz, response.columns[0].levelsDb,
                                  {40.0, 2000.0, 0.0, 5, 12.0, 4.0, 30.0, 48000.0});
    ASSERT_TRUE(own);
    const auto answer = nlohmann::json::parse(fitted->body);
    EXPECT_TRUE(answer.at("fitted").get<bool>());
    ASSERT_EQ(answer.at("filters").size(), 6U);
    EXPECT_EQ(answer.at("filters")[5].at("type"), "high-pass");
    EXPECT_DOUBLE_EQ(answer.at("rmsDeviationDb").get<double>(), own->rmsDeviationDb);
    EXPECT_DOUBLE_EQ(answer.at("peakBoostDb").get<double>(), own->peakBoostDb);
    expectEqualisedIsRawPlusChain(answer, response);

    std::vector<Filter> edited = filtersOf(answer);
    edited[1].gainDb += 3.0;
    const auto given = client.Post("/api/eq?grid=12&band=40:2000&chain=" + chainQuery(edited),
                                   designJson(Design{}), "application/json");
    ASSERT_TRUE(given);
    ASSERT_EQ(given->status, 200) << given->body;
    const auto measured = nlohmann::json::parse(given->body);
    EXPECT_FALSE(measured.at("fitted").get<bool>());
    EXPECT_NEAR(measured.at("filters")[1].at("gainDb").get<double>(), edited[1].gainDb, 1e-6);
    expectEqualisedIsRawPlusChain(measured, response);
    EXPECT_GT(measured.at("rmsDeviationDb").get<double>(),
              answer.at("rmsDeviationDb").get<double>());

    StudioRequest request{"POST", "/api/eq", {{"grid", "24"}}, "", "", {}};
    const std::size_t fine = FrequencyGrid::perOctave({.pointsPerOctave = 24})->size();
    EXPECT_EQ(costOf(request), fine * kEqFitCostPerFrequency);
    EXPECT_GT(costOf(request), ServerLimits{}.costlyPairs);
    request.query.emplace("chain", "peaking:100:3:1");
    EXPECT_EQ(costOf(request), fine);
}

TEST(AccurateTest, ResponseIsTheLibrarysThinPlateAndItsCostSendsItToTheCostlyWorkers) {
    const RunningStudio studio;
    httplib::Client client = studio.client();
    const auto answer = client.Post("/api/response?model=accurate&grid=2", designJson(Design{}),
                                    "application/json");
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->status, 200) << answer->body;
    const auto grid = FrequencyGrid::perOctave({.pointsPerOctave = 2});
    const auto response = computePlateResponse(Design{}, *grid);
    ASSERT_TRUE(response);
    const auto json = nlohmann::json::parse(answer->body);
    EXPECT_EQ(json["computedBy"], "accurate");
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(json["columns"][k]["levels"].get<std::vector<float>>(),
                  response->columns[k].levelsDb)
            << k;
    }
    // A plate's solve weighs a thousand classic evaluations per frequency.
    StudioRequest request{"POST", "/api/response", {{"grid", "2"}, {"model", "accurate"}}, "", "",
                          {}};
    EXPECT_EQ(costOf(request), grid->size() * (kAccurateCostPerFrequency + 1));
    request.query = {{"grid", "2"}};
    EXPECT_EQ(costOf(request), grid->size());
}

// With baffleOnly=1 the levels are the library's baffle-only levels bit for
// bit, the phases the baffle's, and the figures of merit theirs against the
// band asked for; the FRD download says so and holds the same levels.
TEST(BaffleOnlyApiTest, ResponseMeritAndFrdAreTheBafflesOwn) {
    const RunningStudio studio;
    httplib::Client client = studio.client();
    const auto answer = client.Post("/api/response?grid=12&baffleOnly=1&band=200:2000",
                                    designJson(Design{}), "application/json");
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->status, 200) << answer->body;
    const auto grid = FrequencyGrid::perOctave({.pointsPerOctave = 12});
    const Response baffle = baffleOnlyResponse(computeResponse(Design{}, *grid), Design{});
    const std::vector<std::vector<float>> levels = levelsOf(answer->body);
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(levels[k], baffle.columns[k].levelsDb) << k;
    const auto baffleOnlyPhases =
        client.Post("/api/response?grid=12&phase=baffle", designJson(Design{}), "application/json");
    ASSERT_TRUE(baffleOnlyPhases);
    const SingleJson json = SingleJson::parse(answer->body);
    EXPECT_EQ(json["baffleOnly"], true);
    EXPECT_EQ(json["columns"][0]["phases"],
              SingleJson::parse(baffleOnlyPhases->body)["columns"][0]["phases"]);

    const FiguresOfMerit merit =
        figuresOfMerit(baffle.frequenciesHz, baffle.columns[0].levelsDb, {200.0F, 2000.0F});
    const SingleJson& figures = json["merit"];
    EXPECT_EQ(figures["bandFromHz"].get<float>(), 200.0F);
    EXPECT_EQ(figures["bandToHz"].get<float>(), 2000.0F);
    EXPECT_EQ(figures["medianDb"].get<float>(), merit.medianDb);
    EXPECT_EQ(figures["peakOverMedianDb"].get<float>(), merit.peakOverMedianDb);
    EXPECT_EQ(figures["peakFrequencyHz"].get<float>(), merit.peakFrequencyHz);
    ASSERT_EQ(merit.minus6.kind, Fall::Kind::at);
    const auto minus6 = nlohmann::json::parse(answer->body)["merit"]["medianMinus6Hz"];
    EXPECT_EQ(minus6.get<double>(), merit.minus6.frequencyHz);

    const auto frd = client.Post("/api/frd?column=1&grid=12&baffleOnly=1", designJson(Design{}),
                                 "application/json");
    ASSERT_TRUE(frd);
    ASSERT_EQ(frd->status, 200) << frd->body;
    EXPECT_NE(frd->body.find("* baffle only: the driver's high-pass is left out"),
              std::string::npos);
    EXPECT_EQ(test::frdDataText(frd->body),
              test::frdDataText(frdText(baffle, 0, Design{}, PhaseMode::baffle, {})));
}

// A response that never falls 6 dB under its passband says "none", a band
// with no grid point in it gives null figures.
TEST(BaffleOnlyApiTest, FallsThatNeverComeAreNoneAndAnEmptyBandNull) {
    const RunningStudio studio;
    httplib::Client client = studio.client();
    const auto low =
        client.Post("/api/response?band=10:12", designJson(Design{}), "application/json");
    ASSERT_TRUE(low);
    ASSERT_EQ(low->status, 200) << low->body;
    const auto lowMerit = nlohmann::json::parse(low->body)["merit"];
    EXPECT_EQ(lowMerit["medianMinus3Hz"], "none");
    EXPECT_EQ(lowMerit["medianMinus6Hz"], "none");
    const auto empty =
        client.Post("/api/response?band=10.1:10.9", designJson(Design{}), "application/json");
    ASSERT_TRUE(empty);
    ASSERT_EQ(empty->status, 200) << empty->body;
    const auto emptyMerit = nlohmann::json::parse(empty->body)["merit"];
    EXPECT_TRUE(emptyMerit["medianDb"].is_null());
    EXPECT_TRUE(emptyMerit["medianMinus3Hz"].is_null());
}

// Floats through the server's writer and reader keep every bit, the sign of
// zero and the smallest and largest magnitudes included.
TEST(DesignJsonTest, EveryFloatReadsBackBitForBit) {
    const float values[] = {0.7F,           0.1F,        -0.0F,       1e-45F, 1.17549435e-38F,
                            3.40282347e38F, 16777217.0F, 123456.789F, -22.5F, 1.0F / 3.0F};
    for (const float value : values) {
        Design design;
        design.qualityFactor = value;
        design.offAxisAngleDeg = -value;
        design.model = Model::singlePathHalfDelay;
        JsonWriter writer;
        writeDesign(writer, design);
        const auto read = designFromJson(writer.text());
        ASSERT_TRUE(read) << read.error();
        EXPECT_EQ(std::bit_cast<std::uint32_t>(read->qualityFactor),
                  std::bit_cast<std::uint32_t>(value))
            << writer.text();
        EXPECT_EQ(std::signbit(read->offAxisAngleDeg), !std::signbit(value)) << writer.text();
        EXPECT_EQ(read->model, Model::singlePathHalfDelay);
    }
}

// A number just above the midpoint of 1 and the next float rounds up; read
// through a double it would first become the midpoint, then round to 1.
TEST(DesignJsonTest, NumbersRoundToAFloatOnce) {
    const auto read = designFromJson(
        exampleWith("qualityFactor", "\"qualityFactor\": 1.0000000596046447753906250000001"));
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(read->qualityFactor, std::nextafter(1.0F, 2.0F));
}

struct StartingDesignCase {
    const char* name;
    std::function<std::string(const test::TempDir&)> prepare;  // the file's path
    bool fromFile;
    const char* problem;  // a fragment, "" for none
};

void PrintTo(const StartingDesignCase& c, std::ostream* out) {
    *out << c.name;
}

const StartingDesignCase kStartingDesigns[] = {
    {"parameter_file",
     [](const test::TempDir& dir) {
         test::writeFile(dir.file("Opbaffin.txt"),
                         test::readFile(test::referenceFile("single-path-piston", "Opbaffin.txt")));
         return dir.file("Opbaffin.txt");
     },
     true, ""},
    {"no_file", [](const test::TempDir& dir) { return dir.file("Opbaffin.txt"); }, false, ""},
    {"file_that_does_not_read",
     [](const test::TempDir& dir) {
         test::writeFile(dir.file("Opbaffin.txt"), "My baffle\n");
         return dir.file("Opbaffin.txt");
     },
     false, "invalid number"},
};

class StartingDesignTest : public testing::TestWithParam<StartingDesignCase> {};

// The design the page starts from, sent back for its parameter file, is the
// file's design (or the example) to the last bit.
TEST_P(StartingDesignTest, ReadsBackAsTheFileOrTheExample) {
    const StartingDesignCase& c = GetParam();
    const test::TempDir dir;
    const std::string path = c.prepare(dir);
    const RunningStudio studio(StudioSettings{readStartingDesign(path)});
    httplib::Client client = studio.client();
    const auto answer = client.Get("/api/design");
    ASSERT_TRUE(answer);
    const auto start = nlohmann::json::parse(answer->body);
    // The file's name: its folder is nobody's business on the page.
    EXPECT_EQ(start["source"], c.fromFile ? "Opbaffin.txt" : "example");
    EXPECT_EQ(answer->body.find(dir.path().string()), std::string::npos) << answer->body;
    EXPECT_NE(start.value("problem", "").find(c.problem), std::string::npos) << answer->body;
    const auto file = client.Post("/api/parameter-file", start["design"].dump(), kJson);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->get_header_value("Content-Disposition"),
              "attachment; filename=\"Opbaffin.txt\"");
    const Design expected = c.fromFile ? readParameterFile(path)->design : Design{};
    EXPECT_EQ(file->body, writeParameterText(expected).value());
}

INSTANTIATE_TEST_SUITE_P(Cases, StartingDesignTest, testing::ValuesIn(kStartingDesigns),
                         [](const testing::TestParamInfo<StartingDesignCase>& info) {
                             return std::string(info.param.name);
                         });

// The FRD download holds the data lines the plot command writes for the same
// column, grid and phase.
TEST(DownloadTest, FrdFileHasThePlotCommandsData) {
    const test::TempDir out;
    const test::TempDir bin;
    const std::string parameters = test::referenceFile("rectangular-centred", "Opbaffin.txt");
    test::runTool({"plot", "--output-dir", out.path().string(), "--grid", "12", "--phase", "baffle",
                   "--columns", "off-axis", parameters},
                  test::noGnuplotPath(bin));
    const RunningStudio studio;
    httplib::Client client = studio.client();
    const auto answer = client.Post("/api/frd?column=off-axis&grid=12&phase=baffle",
                                    test::readFile(parameters), "text/plain");
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->status, 200) << answer->body;
    EXPECT_EQ(answer->get_header_value("Content-Disposition"),
              "attachment; filename=\"opbaff-rectangular-off-axis.frd\"");
    EXPECT_EQ(test::frdDataText(answer->body),
              test::frdDataText(test::readFile(out.path() / "opbaff-rectangular-off-axis.frd")));
}

// Every file under web/ is served at its path, byte for byte, with its type.
TEST(PageTest, EveryFileOfWebIsServedExactly) {
    const std::filesystem::path web = std::filesystem::path(OPBAFF_TEST_DATA) / ".." / ".." / "web";
    const RunningStudio studio;
    httplib::Client client = studio.client();
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(web)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || name.starts_with(".") || name.ends_with("~")) continue;
        const std::string path = "/" + std::filesystem::relative(entry.path(), web).string();
        const auto answer = client.Get(path);
        ASSERT_TRUE(answer) << path;
        EXPECT_EQ(answer->status, 200) << path;
        EXPECT_EQ(answer->get_header_value("Content-Type"), contentTypeOf(path)) << path;
        EXPECT_TRUE(answer->body == test::readFile(entry.path())) << path;
        ++files;
    }
    EXPECT_EQ(files, static_cast<int>(embeddedFiles().size()));
    const auto index = client.Get("/");
    ASSERT_TRUE(index);
    EXPECT_EQ(index->body, test::readFile(web / "index.html"));
}

struct OpenCase {
    const char* name;
    bool xdgOpen;  // on the search path
    int status;
};

void PrintTo(const OpenCase& c, std::ostream* out) {
    *out << c.name;
}

class OpenTest : public testing::TestWithParam<OpenCase> {};

// serve prints the page's address, hands it to xdg-open (or says to open it by
// hand), and stops by itself.
TEST_P(OpenTest, TheAddressGoesToTheBrowserOrToTheUser) {
    const OpenCase& c = GetParam();
    const test::TempDir bin;
    const std::string opened = bin.file("opened");
    if (c.xdgOpen)
        test::writeScript(bin.path() / "xdg-open",
                          "echo \"$1\" >" + opened + ".part && mv " + opened + ".part " + opened);
    const test::ToolRun run = test::runTool(
        {"serve", "--port", "0", "--open", "--stop-after", "0.3"}, bin.path().string());
    // "opbaff studio: http://127.0.0.1:PORT/" and a line end.
    const std::string prefix = "opbaff studio: http://127.0.0.1:";
    ASSERT_TRUE(run.out.starts_with(prefix) && run.out.ends_with("/\n")) << run.out;
    const std::string port = run.out.substr(prefix.size(), run.out.size() - prefix.size() - 2);
    ASSERT_TRUE(!port.empty() && std::all_of(port.begin(), port.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    })) << run.out;
    const std::string address = "http://127.0.0.1:" + port + "/";
    EXPECT_EQ(run.status, c.status);
    if (!c.xdgOpen) {
        EXPECT_EQ(run.err,
                  "opbaff-design: xdg-open not found: open " + address + " in a browser\n");
        return;
    }
    for (int wait = 0; wait < 500 && !std::filesystem::exists(opened); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(test::readFile(opened), address + "\n");
}

const OpenCase kOpenCases[] = {{"with_xdg_open", true, kExitDone},
                               {"without_xdg_open", false, kExitWarning}};

INSTANTIATE_TEST_SUITE_P(Cases, OpenTest, testing::ValuesIn(kOpenCases),
                         [](const testing::TestParamInfo<OpenCase>& info) {
                             return std::string(info.param.name);
                         });

struct SignalCase {
    const char* name;
    const char* signal;
};

void PrintTo(const SignalCase& c, std::ostream* out) {
    *out << c.name;
}

class SignalTest : public testing::TestWithParam<SignalCase> {};

// The real program, signalled once it listens, ends at once with status 0.
TEST_P(SignalTest, StopsCleanlyAndAtOnce) {
    const test::TempDir dir;
    const SignalCase& c = GetParam();
    const std::string command =
        "cd '" + dir.path().string() + "' && { '" + OPBAFF_DESIGN_EXE +
        "' serve --port 0 --stop-after 60 >out 2>err & p=$!; i=0; "
        "while ! grep -q studio out && [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done; "
        "kill -" +
        c.signal + " $p; wait $p; echo $? >status; }";
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(test::readFile(dir.path() / "status"), "0\n");
    EXPECT_EQ(test::readFile(dir.path() / "err"), "");
}

const SignalCase kSignals[] = {{"interrupt", "INT"}, {"termination", "TERM"}};

INSTANTIATE_TEST_SUITE_P(Cases, SignalTest, testing::ValuesIn(kSignals),
                         [](const testing::TestParamInfo<SignalCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ServeCommandTest, PortInUseIsOneLineAndStatusTwo) {
    const RunningStudio studio;
    const std::string port = std::to_string(studio.port());
    const test::ToolRun run = test::runTool({"serve", "--port", port, "--stop-after", "5"});
    EXPECT_EQ(run.status, kExitBadInput);
    EXPECT_EQ(run.err,
              "opbaff-design: cannot listen on 127.0.0.1:" + port + ": Address already in use\n");
    EXPECT_EQ(run.out, "");
}

}  // namespace
}  // namespace opbaff::tools
