// The plot drawn by the real gnuplot: a well-formed SVG with the title and a
// labelled curve per response column, or a PNG on request.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "program_search.h"
#include "tool_io.h"
#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

using test::TempDir;

std::string searchPath() {
    const char* path = std::getenv("PATH");
    return path != nullptr ? path : "/usr/bin:/bin";
}

struct PlotCase {
    const char* name;
    const char* referenceCase;
    std::vector<std::string> texts;  // title and curve labels
};

void PrintTo(const PlotCase& c, std::ostream* out) {
    *out << c.name;
}

const PlotCase kPlots[] = {
    {"rectangular",
     "rectangular-off-centre",
     {"Rectangular baffle 60 \u00d7 100 cm, listener 2 m, 30\u00b0 off axis",
      "Rectangular baffle, on axis", "Round baffle 60 cm, on axis",
      "Rectangular baffle, 30\u00b0 off axis", "Front + rear, no path"}},
    {"half_delay",
     "single-path-half-delay",
     {"Single-path model (half delay): round baffle 45 cm, listener 1.5 m on axis",
      "Round baffle 45 cm, full rear source", "Round baffle 45 cm, bare rear source",
      "Front (half delay) + rear, no baffle"}},
};

class PlotTest : public testing::TestWithParam<PlotCase> {
  protected:
    void SetUp() override {
        if (!findProgram("gnuplot", searchPath())) GTEST_SKIP() << "gnuplot is not installed";
    }
};

TEST_P(PlotTest, SvgIsWellFormedWithTitleAndLabels) {
    const PlotCase& c = GetParam();
    SCOPED_TRACE(c.name);
    const TempDir out;
    const test::ToolRun run = test::runTool({"plot", "--output-dir", out.path().string(),
                                             test::referenceFile(c.referenceCase, "Opbaffin.txt")},
                                            searchPath());
    ASSERT_EQ(run.status, kExitDone) << run.err;
    EXPECT_EQ(run.err, "");
    const test::XmlCheck svg = test::parseXml(test::readFile(out.path() / "opbaff-response.svg"));
    EXPECT_EQ(svg.root, "svg");
    for (const std::string& text : c.texts) {
        EXPECT_NE(svg.text.find(text), std::string::npos) << text;
    }
    for (const std::string& name : test::entriesOf(out.path())) {
        EXPECT_FALSE(name.starts_with(".")) << "left behind: " << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PlotTest, testing::ValuesIn(kPlots),
                         [](const testing::TestParamInfo<PlotCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(PngPlotTest, PngOnRequest) {
    if (!findProgram("gnuplot", searchPath())) GTEST_SKIP() << "gnuplot is not installed";
    const TempDir out;
    const test::ToolRun run =
        test::runTool({"plot", "--png", "--output-dir", out.path().string(),
                       test::referenceFile("single-path-piston", "Opbaffin.txt")},
                      searchPath());
    ASSERT_EQ(run.status, kExitDone) << run.err;
    const std::string png = test::readFile(out.path() / "opbaff-response.png");
    EXPECT_TRUE(png.starts_with("\x89PNG\r\n\x1a\n"));
    EXPECT_FALSE(test::entriesOf(out.path()).contains("opbaff-response.svg"));
}

TEST(ParseXmlTest, RejectsABrokenDocument) {
    EXPECT_EQ(test::parseXml("<svg><g></svg>").root, "");
    EXPECT_EQ(test::parseXml("<svg><g/></svg>").root, "svg");
}

}  // namespace
}  // namespace opbaff::tools
