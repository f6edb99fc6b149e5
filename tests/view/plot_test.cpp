// The plot drawn by the real gnuplot: a well-formed SVG with the title and a
// labelled curve per response column, or a PNG on request.
#include <expat.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "view/plot_script.h"
#include "view/program_search.h"
#include "view/view_run.h"
#include "view_test_support.h"

namespace opbaff::view {
namespace {

using test::TempDir;

std::string searchPath() {
    const char* path = std::getenv("PATH");
    return path != nullptr ? path : "/usr/bin:/bin";
}

struct XmlCheck {
    std::string root;
    std::string text;  // all character data, for the labels
};

void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** /*attributes*/) {
    auto* check = static_cast<XmlCheck*>(data);
    if (check->root.empty()) check->root = name;
}

void XMLCALL onText(void* data, const XML_Char* text, int length) {
    static_cast<XmlCheck*>(data)->text.append(text, static_cast<std::size_t>(length));
}

// Parses the whole document; an empty root means the parser rejected it.
XmlCheck parseXml(const std::string& document) {
    XmlCheck check;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &check);
    XML_SetElementHandler(parser, onStart, nullptr);
    XML_SetCharacterDataHandler(parser, onText);
    const bool parsed =
        XML_Parse(parser, document.data(), static_cast<int>(document.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(parser);
    if (!parsed) check.root.clear();
    return check;
}

struct PlotCase {
    const char* name;
    const char* referenceCase;
    std::vector<std::string> texts;  // title and curve labels
};

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
    const ViewOptions options{
        std::string(OPBAFF_TEST_DATA) + "/golden/" + c.referenceCase + "/Opbaffin.txt",
        out.path().string(), PlotFormat::svg};
    std::ostringstream errors;
    ASSERT_EQ(runView(options, searchPath(), errors), kExitDone) << errors.str();
    EXPECT_EQ(errors.str(), "");
    const XmlCheck svg = parseXml(test::readFile(out.path() / "opbaff-response.svg"));
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
    const ViewOptions options{
        std::string(OPBAFF_TEST_DATA) + "/golden/single-path-piston/Opbaffin.txt",
        out.path().string(), PlotFormat::png};
    std::ostringstream errors;
    ASSERT_EQ(runView(options, searchPath(), errors), kExitDone) << errors.str();
    const std::string png = test::readFile(out.path() / "opbaff-response.png");
    EXPECT_TRUE(png.starts_with("\x89PNG\r\n\x1a\n"));
    EXPECT_FALSE(test::entriesOf(out.path()).contains("opbaff-response.svg"));
}

TEST(ParseXmlTest, RejectsABrokenDocument) {
    EXPECT_EQ(parseXml("<svg><g></svg>").root, "");
    EXPECT_EQ(parseXml("<svg><g/></svg>").root, "svg");
}

}  // namespace
}  // namespace opbaff::view
