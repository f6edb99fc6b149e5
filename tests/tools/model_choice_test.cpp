// --model accurate in the tools: the files hold the library's thin-plate
// levels and say so, and a design that is no plate keeps its row with a note.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "opbaff/design_plate.h"
#include "opbaff/parameter_file.h"
#include "tool_io.h"
#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

using test::TempDir;

// A small baffle keeps the plate's edges short at 20 kHz.
const char* const kSmallBaffle = "0\nr\n40\n30\n11\n24\n12\n50\n0.7\n2\nx\ny\n30\nx\n25\n";

TEST(AccurateModelInTools, PlotWritesThePlatesLevelsAndNamesTheModel) {
    const TempDir in;
    test::writeFile(in.path() / "Opbaffin.txt", kSmallBaffle);
    const TempDir out;
    const test::ToolRun run =
        test::runTool({"plot", "--model", "accurate", "--grid", "2", "--output-dir",
                       out.path().string(), in.file("Opbaffin.txt")});
    ASSERT_EQ(run.status, kExitDone) << run.err;

    const auto file = readParameterFile(in.file("Opbaffin.txt"));
    ASSERT_TRUE(file);
    GridRequest request;
    request.pointsPerOctave = 2;
    const auto expected = computePlateResponse(file->design, *FrequencyGrid::perOctave(request));
    ASSERT_TRUE(expected);
    const std::string names[] = {"opbaff-rectangular-on-axis.frd",
                                 "opbaff-round-baffle-on-axis.frd",
                                 "opbaff-rectangular-off-axis.frd"};
    for (std::size_t k = 0; k < 3; ++k) {
        const std::string text = test::readFile(out.path() / names[k]);
        EXPECT_NE(text.find("* accurate model"), std::string::npos) << names[k];
        const auto rows = test::frdRows(text);
        ASSERT_EQ(rows.size(), expected->frequenciesHz.size()) << names[k];
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_NEAR(rows[i].levelDb, expected->columns[k].levelsDb[i], 1e-4)
                << names[k] << " at " << rows[i].frequencyHz << " Hz";
        }
    }
    // The classic model's file for the same design differs where the plate's
    // higher orders count, below the dipole peak.
    const TempDir classic;
    ASSERT_EQ(test::runTool({"plot", "--grid", "2", "--output-dir", classic.path().string(),
                             in.file("Opbaffin.txt")})
                  .status,
              kExitDone);
    const auto classicRows =
        test::frdRows(test::readFile(classic.path() / "opbaff-rectangular-on-axis.frd"));
    const auto accurateRows = test::frdRows(test::readFile(out.path() / names[0]));
    EXPECT_GT(classicRows[2].levelDb - accurateRows[2].levelDb, 2.0) << "at 40 Hz";
}

TEST(AccurateModelInTools, SweepKeepsADriverOffThePlateWithItsNote) {
    const TempDir in;
    test::writeFile(in.path() / "Opbaffin.txt", kSmallBaffle);
    const test::ToolRun run = test::runTool({"sweep", "--model", "accurate", "--no-plot", "--grid",
                                             "1", "--file", in.file("Opbaffin.txt"), "x=10:40:30"});
    EXPECT_EQ(run.status, kExitWarning) << run.err;
    std::istringstream table(run.out);
    std::string line;
    std::vector<std::string> rows;
    std::getline(table, line);  // the header
    while (std::getline(table, line)) rows.push_back(line);
    ASSERT_EQ(rows.size(), 2U) << run.out;
    EXPECT_EQ(rows[0].find("accurate model"), std::string::npos) << rows[0];
    EXPECT_NE(rows[1].find("the accurate model: a driver lies outside"), std::string::npos)
        << rows[1];
}

TEST(AccurateModelInTools, PolarHearsBothPlanesAndBehindTheBaffle) {
    const TempDir in;
    test::writeFile(in.path() / "Opbaffin.txt", kSmallBaffle);
    const TempDir out;
    const test::ToolRun run = test::runTool(
        {"polar", "--model", "accurate", "--grid", "1", "--angles", "0:180:90", "--vertical",
         "-180:180:90", "--output-dir", out.path().string(), in.file("Opbaffin.txt")});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    const auto levels = [&](const std::string& name) {
        return test::frdRows(test::readFile(out.path() / name));
    };
    // Straight behind is one place whichever plane turns there, and the thin
    // dipole's level there equals its level in front.
    const auto front = levels("opbaff hor 0.frd");
    const auto behind = levels("opbaff hor 180.frd");
    EXPECT_EQ(levels("opbaff ver 0.frd"), front);
    EXPECT_EQ(levels("opbaff ver 180.frd"), behind);
    EXPECT_EQ(levels("opbaff ver -180.frd"), behind);
    for (std::size_t i = 0; i < front.size(); ++i) {
        EXPECT_NEAR(front[i].levelDb, behind[i].levelDb, 0.01) << front[i].frequencyHz << " Hz";
    }
    // Above the driver and beside it differ: the baffle is taller than wide
    // and the driver is off centre.
    EXPECT_NE(levels("opbaff ver 90.frd"), levels("opbaff hor 90.frd"));
    EXPECT_NE(levels("opbaff ver 90.frd"), levels("opbaff ver -90.frd"));

    // The classic model has no vertical plane.
    const test::ToolRun classic = test::runTool({"polar", "--vertical", "0:90:10", "--output-dir",
                                                 out.path().string(), in.file("Opbaffin.txt")});
    EXPECT_EQ(classic.status, kExitBadInput);
    EXPECT_NE(classic.err.find("--vertical: only the accurate model"), std::string::npos)
        << classic.err;
}

}  // namespace
}  // namespace opbaff::tools
