// The equaliser: a fit that finds a chain it can reach exactly, holds its
// boost limit and equalises the shipped example; and each export, read back
// from its own text (parameters or coefficients), giving the library's levels.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "eq_exports.h"
#include "eq_fit.h"
#include "opbaff/opbaff.h"
#include "program_search.h"
#include "tool_io.h"
#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

constexpr double kRate = 48000.0;

std::vector<float> logGrid(double from, double to, int perOctave) {
    std::vector<float> f;
    for (double x = from; x <= to * 1.0001; x *= std::pow(2.0, 1.0 / perOctave)) {
        f.push_back(static_cast<float>(x));
    }
    return f;
}

// Levels that a chain of these filters turns flat at 0 dB: minus its own.
std::vector<float> inverseOf(const std::vector<Filter>& filters, const std::vector<float>& f) {
    std::vector<float> levels;
    for (const float x : f) levels.push_back(static_cast<float>(-chainLevelDb(filters, x, kRate)));
    return levels;
}

// A chain whose inverse has its median level near 0 dB in the band (its filters
// act on less than half of it), so that the flat target at that median is in
// its reach.
const std::vector<Filter> kReachable = {{FilterKind::lowShelf, 60, 9, 0.7071},
                                        {FilterKind::peaking, 400, -3, 3},
                                        {FilterKind::peaking, 1200, 2, 4}};

TEST(EqFitTest, FindsAChainItCanReach) {
    const std::vector<float> f = logGrid(10, 20000, 24);
    EqRequest request;
    request.filters = 3;
    const auto fit = fitEqualiser(f, inverseOf(kReachable, f), request);
    ASSERT_TRUE(fit) << fit.error();
    // The known chain leaves the target's own offset, |median|, everywhere: the fit
    // must do as well.
    const double known = std::abs(fit->targetLevelDb);
    EXPECT_LT(known, 0.5);
    EXPECT_LE(fit->rmsDeviationDb, known + 0.02) << fit->targetLevelDb;
    EXPECT_LE(fit->maxDeviationDb, known + 0.1) << fit->targetLevelDb;
    EXPECT_LE(fit->peakBoostDb, request.maxBoostDb + 1e-9);
}

// Where the target needs more boost than allowed, the chain keeps to the
// limit and the shortfall is measured, not hidden.
TEST(EqFitTest, HoldsTheBoostLimit) {
    const std::vector<float> f = logGrid(10, 20000, 24);
    EqRequest request;
    request.filters = 3;
    request.maxBoostDb = 4.0;
    const auto fit = fitEqualiser(f, inverseOf(kReachable, f), request);
    ASSERT_TRUE(fit) << fit.error();
    EXPECT_LE(fit->peakBoostDb, 4.0 + 0.02);
    EXPECT_GT(fit->neededBoostDb, 4.0);
    EXPECT_GT(fit->maxDeviationDb, 1.0);
}

TEST(EqFitTest, RefusesRequestsThatMeanNothing) {
    const std::vector<float> f = logGrid(10, 20000, 24);
    const std::vector<float> flat(f.size(), 0.0F);
    EqRequest reversed;
    reversed.lowHz = 2000;
    reversed.highHz = 40;
    EqRequest tooMany;
    tooMany.filters = 13;
    EqRequest noQ;
    noQ.maxQ = 0.1;
    EqRequest badHighPass;
    badHighPass.highPassHz = 30000.0;
    for (const EqRequest& r : {reversed, tooMany, noQ, badHighPass}) {
        EXPECT_TRUE(eqRequestProblem(r));
        EXPECT_FALSE(fitEqualiser(f, flat, r));
    }
    EXPECT_FALSE(fitEqualiser(f, std::vector<float>(f.size(), NAN), EqRequest{}));
}

// The shipped example: the dipole's low end brought to the passband within
// +-1 dB from 40 Hz to 2 kHz with at most 12 dB of boost.
TEST(EqFitTest, EqualisesTheShippedExample) {
    const auto file =
        readParameterFile(test::referenceFile("rectangular-off-centre", "Opbaffin.txt"));
    ASSERT_TRUE(file);
    const auto grid = FrequencyGrid::perOctave({.pointsPerOctave = 24});
    const Response response = computeResponse(file->design, *grid);
    const auto fit = fitEqualiser(response.frequenciesHz, response.columns[0].levelsDb, {});
    ASSERT_TRUE(fit) << fit.error();
    EXPECT_LE(fit->maxDeviationDb, 1.0);
    EXPECT_LE(fit->peakBoostDb, 12.0 + 0.02);
}

// ---- the exports, read back ----

Filter parsedApoLine(const std::string& line) {
    std::istringstream in(line);
    std::string word;
    std::string code;
    Filter f;
    in >> word >> word >> word >> code;  // "Filter", "1:", "ON", code
    f.kind = code == "LSC"   ? FilterKind::lowShelf
             : code == "HSC" ? FilterKind::highShelf
             : code == "HPQ" ? FilterKind::highPass
             : code == "LPQ" ? FilterKind::lowPass
                             : FilterKind::peaking;
    while (in >> word) {
        if (word == "Fc") in >> f.frequencyHz >> word;
        if (word == "Gain") in >> f.gainDb >> word;
        if (word == "Q") in >> f.q;
    }
    return f;
}

std::vector<Filter> fromApo(const std::string& text, double& preamp) {
    std::vector<Filter> filters;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("Preamp: ")) preamp = std::stod(line.substr(8));
        if (line.starts_with("Filter ")) filters.push_back(parsedApoLine(line));
    }
    return filters;
}

std::vector<Filter> fromCamilla(const std::string& text, double& preamp) {
    std::vector<Filter> filters;
    std::istringstream in(text);
    bool gainFilter = false;
    for (std::string line; std::getline(in, line);) {
        const auto at = line.find_first_not_of(' ');
        if (at == std::string::npos || line[at] == '#') continue;
        const std::string item = line.substr(at);
        const std::string value = item.substr(item.find(':') + 1);
        if (item == "type: Gain") gainFilter = true;
        if (item == "type: Biquad") gainFilter = false;
        if (item.starts_with("gain:") && gainFilter) preamp = std::stod(value);
        if (item.starts_with("type: ") && item != "type: Biquad" && item != "type: Gain") {
            const std::string kind = item.substr(6);
            filters.push_back({kind == "Lowshelf"    ? FilterKind::lowShelf
                               : kind == "Highshelf" ? FilterKind::highShelf
                               : kind == "Highpass"  ? FilterKind::highPass
                               : kind == "Lowpass"   ? FilterKind::lowPass
                                                     : FilterKind::peaking,
                               0, 0, 0});
        }
        if (filters.empty() || gainFilter) continue;
        if (item.starts_with("freq:")) filters.back().frequencyHz = std::stod(value);
        if (item.starts_with("q:")) filters.back().q = std::stod(value);
        if (item.starts_with("gain:")) filters.back().gainDb = std::stod(value);
    }
    return filters;
}

std::vector<Filter> fromList(const std::string& text) {
    std::vector<Filter> filters;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::string kind;
        Filter f;
        row >> kind >> f.frequencyHz >> f.gainDb >> f.q;
        f.kind = *filterKindNamed(kind.c_str());
        filters.push_back(f);
    }
    return filters;
}

// The level of miniDSP-style entries, a1 and a2 negated as they are written.
double minidspLevelDb(const std::string& text, double frequencyHz, double rate) {
    std::istringstream in(text);
    double level = 0.0;
    std::vector<double> c;
    for (std::string line; std::getline(in, line);) {
        if (line.size() > 3 && line[2] == '=') c.push_back(std::stod(line.substr(3)));
        if (c.size() < 5) continue;
        const std::complex<double> z =
            std::polar(1.0, -2.0 * std::numbers::pi * frequencyHz / rate);
        const auto h = (c[0] + c[1] * z + c[2] * z * z) / (1.0 - c[3] * z - c[4] * z * z);
        level += 20.0 * std::log10(std::abs(h));
        c.clear();
    }
    return level;
}

TEST(EqExportTest, EveryExportReadsBackToTheLibrarysLevels) {
    const std::vector<Filter> filters = {{FilterKind::lowShelf, 66.34, 11.97, 0.593},
                                         {FilterKind::peaking, 363.54, -1.52, 1.115},
                                         {FilterKind::peaking, 794.85, 3.02, 2.867},
                                         {FilterKind::highShelf, 8000, -2.5, 0.707},
                                         {FilterKind::highPass, 25, 0, 0.707}};
    const double preamp = -11.86;
    double apoPreamp = 0.0;
    double camillaPreamp = 0.0;
    const auto apo = fromApo(apoText(filters, preamp), apoPreamp);
    const auto camilla = fromCamilla(camillaText(filters, preamp), camillaPreamp);
    const auto list = fromList(filterListText(filters));
    EXPECT_EQ(apoPreamp, preamp);
    EXPECT_EQ(camillaPreamp, preamp);
    ASSERT_EQ(apo.size(), filters.size());
    ASSERT_EQ(camilla.size(), filters.size());
    ASSERT_EQ(list.size(), filters.size());
    const std::string mini48 = minidspText(filters, 48000.0);
    const std::string mini96 = minidspText(filters, 96000.0);
    for (const float f : logGrid(10, 20000, 12)) {
        const double library = chainLevelDb(filters, f, kRate);
        EXPECT_NEAR(chainLevelDb(apo, f, kRate), library, 0.01) << f;
        EXPECT_NEAR(chainLevelDb(camilla, f, kRate), library, 0.01) << f;
        EXPECT_NEAR(chainLevelDb(list, f, kRate), library, 0.01) << f;
        EXPECT_NEAR(minidspLevelDb(mini48, f, 48000.0), library, 0.01) << f;
        EXPECT_NEAR(minidspLevelDb(mini96, f, 96000.0), chainLevelDb(filters, f, 96000.0), 0.01)
            << f;
    }
}

// The command: its report and exit status, the files all or nothing, and the
// statement when the boost limit keeps the target out of reach.
TEST(EqCommandTest, ReportsWritesAndSaysWhyNot) {
    const test::TempDir out;
    const std::string example = test::referenceFile("rectangular-off-centre", "Opbaffin.txt");
    const test::ToolRun run = test::runTool({"eq", example, "--output-dir", out.path().string()});
    EXPECT_EQ(run.status, kExitDone) << run.err;
    EXPECT_NE(run.out.find("1 low-shelf"), std::string::npos) << run.out;
    std::set<std::string> files{"opbaff-eq-apo.txt", "opbaff-eq-camilladsp.yml",
                                "opbaff-eq-filters.tsv", "opbaff-eq-minidsp-48k.txt",
                                "opbaff-eq-minidsp-96k.txt"};
    if (findProgram("gnuplot", "/usr/bin:/bin")) files.insert("opbaff-eq.svg");
    EXPECT_EQ(test::entriesOf(out.path()), files);

    const test::ToolRun limited = test::runTool({"eq", example, "--max-boost", "6"});
    EXPECT_EQ(limited.status, kExitWarning);
    EXPECT_NE(limited.err.find("more than the 6.0 dB of boost allowed"), std::string::npos)
        << limited.err;

    for (const char* band : {"2000:40", "40", "a:b", "0:100"}) {
        const test::ToolRun bad = test::runTool({"eq", example, "--band", band});
        EXPECT_EQ(bad.status, kExitBadInput) << band;
        EXPECT_NE(bad.err.find("--band"), std::string::npos) << bad.err;
    }
}

}  // namespace
}  // namespace opbaff::tools
