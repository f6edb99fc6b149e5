// What the studio's page builds itself from, as /api/design serves it: the
// library's table of design fields, each model's response columns with the
// labels the tools put on their curves, and the sonogram palette that the
// gnuplot sonogram uses too.
#include <gtest/gtest.h>

#include <cstddef>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "opbaff/design_fields.h"
#include "opbaff/opbaff.h"
#include "polar_plots.h"
#include "response_columns.h"
#include "studio_api.h"

namespace opbaff::tools {
namespace {

nlohmann::json servedDesign() {
    const StudioReply reply = answerRequest({"GET", "/api/design", {}, "", "", {}}, {});
    EXPECT_EQ(reply.status, 200) << reply.body;
    return nlohmann::json::parse(reply.body);
}

// The label with each {name} replaced by the design's value, written apart from
// the tools; for values exact in binary (55.5, -12.25) every correct printing
// gives the same text.
std::string filledByHand(std::string label, const Design& design) {
    for (const DesignField& field : kDesignFields) {
        const std::string mark = std::string("{") + field.name + "}";
        for (std::size_t at = label.find(mark); at != std::string::npos; at = label.find(mark)) {
            label.replace(at, mark.size(), nlohmann::json(design.*field.member).dump());
        }
    }
    return label;
}

TEST(PageTablesTest, FieldsAreTheLibrarysTableInItsOrder) {
    const nlohmann::json fields = servedDesign().at("fields");
    ASSERT_EQ(fields.size(), kDesignFields.size());
    for (std::size_t k = 0; k < kDesignFields.size(); ++k) {
        const DesignField& field = kDesignFields[k];
        const nlohmann::json& served = fields[k];
        SCOPED_TRACE(field.name);
        EXPECT_EQ(served.at("name"), field.name);
        EXPECT_EQ(served.at("unit"), field.unit);
        EXPECT_EQ(served.at("record"), field.record);
        EXPECT_EQ(served.at("meaning"), field.meaning);
        EXPECT_EQ(served.at("label"), field.label);
        EXPECT_EQ(served.at("part"), designPartName(field.part));
        EXPECT_EQ(served.at("rectangularOnly"), field.rectangularOnly);
        EXPECT_EQ(served.at("step").get<float>(), field.step);
        EXPECT_EQ(served.at("low").get<float>(), field.low);
        EXPECT_EQ(served.at("high").get<float>(), field.high);
        // The design sent beside it has a number under every served name.
        EXPECT_TRUE(servedDesign().at("design").at(field.name).is_number());
    }
}

// Every model's responses, in the result file's order, without the single-path
// reference level; each label, filled from a design, is the one on the tools'
// curves of that design.
TEST(PageTablesTest, ColumnsAreEachModelsResponsesWithTheToolsLabels) {
    const nlohmann::json columns = servedDesign().at("columns");
    for (const Model model : {Model::rectangular, Model::singlePath, Model::singlePathHalfDelay}) {
        SCOPED_TRACE(modelName(model));
        Design design;
        design.model = model;
        design.roundBaffleDiameterCm = 55.5F;
        design.offAxisAngleDeg = -12.25F;
        const nlohmann::json& served = columns.at(modelName(model));
        const std::vector<OutputColumn> output = outputColumns(design);
        ASSERT_EQ(served.size(), output.size());
        for (std::size_t k = 0; k < output.size(); ++k) {
            EXPECT_EQ(served[k].at("key"), responseName(responseKinds(model)[output[k].index]));
            EXPECT_EQ(filledByHand(served[k].at("label"), design), output[k].label);
            EXPECT_EQ(served[k].at("label").get<std::string>().find("{}"), std::string::npos);
        }
    }
    Design example;
    example.roundBaffleDiameterCm = 55.5F;
    EXPECT_EQ(outputColumns(example)[1].label, "Round baffle 55.5 cm, on axis");
    EXPECT_EQ(outputColumns(example)[2].label, "Rectangular baffle, 30\u00b0 off axis");
}

struct LabelCase {
    const char* name;
    const char* label;
    const char* filled;
};

void PrintTo(const LabelCase& c, std::ostream* out) {
    *out << c.name;
}

const LabelCase kLabels[] = {
    {"no_field", "Front + rear, no path", "Front + rear, no path"},
    {"one_field", "Round {roundBaffleDiameterCm} cm", "Round 60 cm"},
    {"two_fields", "{baffleWidthCm} x {baffleHeightCm}", "60 x 100"},
    {"unknown_name_kept", "{nothing} and {qualityFactor}", "{nothing} and 0.7"},
    {"unclosed_brace_kept", "Q {qualityFactor", "Q {qualityFactor"},
};

class FilledLabelTest : public testing::TestWithParam<LabelCase> {};

TEST_P(FilledLabelTest, PlaceholdersTakeTheExamplesValues) {
    EXPECT_EQ(filledLabel(GetParam().label, Design{}), GetParam().filled);
}

INSTANTIATE_TEST_SUITE_P(Labels, FilledLabelTest, testing::ValuesIn(kLabels),
                         [](const testing::TestParamInfo<LabelCase>& info) {
                             return std::string(info.param.name);
                         });

// The page's stops are the gnuplot sonogram's: the script's palette lists
// exactly the served stops, in order, and they span the colour bar's range.
TEST(PageTablesTest, PaletteIsTheGnuplotSonogramsPalette) {
    const nlohmann::json palette = servedDesign().at("palette");
    PolarSet set;
    set.anglesDeg = {0.0F, 10.0F};
    set.frequenciesHz = {100.0F, 200.0F};
    set.levelsDb = {{-1.0F, -2.0F}, {-3.0F, -4.0F}};
    set.onAxisDb = {-1.0F, -2.0F};
    const std::string script = sonogramScript(set, "t", PlotFormat::svg);
    const std::string head = "set palette defined (";
    const std::size_t open = script.find(head);
    ASSERT_NE(open, std::string::npos) << script;
    const std::size_t close = script.find(')', open);
    ASSERT_NE(close, std::string::npos);
    // The stops read "<level> '<#rrggbb>'", separated by commas.
    std::istringstream stops(script.substr(open + head.size(), close - open - head.size()));
    std::size_t k = 0;
    for (std::string stop; std::getline(stops, stop, ',');) {
        std::istringstream fields(stop);
        double levelDb = 0.0;
        std::string colour;
        ASSERT_TRUE(fields >> levelDb >> colour) << stop;
        ASSERT_LT(k, palette.size());
        EXPECT_EQ(levelDb, palette[k].at("levelDb").get<double>());
        ASSERT_TRUE(colour.size() > 2 && colour.front() == '\'' && colour.back() == '\'') << stop;
        EXPECT_EQ(colour.substr(1, colour.size() - 2), palette[k].at("colour").get<std::string>());
        ++k;
    }
    EXPECT_EQ(k, palette.size());
    EXPECT_EQ(palette.front().at("levelDb").get<double>(), kPolarFloorDb);
    EXPECT_EQ(palette.back().at("levelDb").get<double>(), kSonogramCeilingDb);
    for (std::size_t i = 1; i < palette.size(); ++i) {
        EXPECT_LT(palette[i - 1].at("levelDb").get<double>(),
                  palette[i].at("levelDb").get<double>());
    }
}

}  // namespace
}  // namespace opbaff::tools
