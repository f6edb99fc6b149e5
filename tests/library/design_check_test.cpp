// The notes of checkDesign: each fault of a design gives its check on its
// field, a sound design none, and the note on levels agrees with the response.
#include "opbaff/design_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "opbaff/opbaff.h"

namespace opbaff {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

struct CheckCase {
    const char* name;
    void (*change)(Design&);
    DesignCheck check;
    int record;  // 0: the design as a whole
};

const CheckCase kCases[] = {
    {"nan_height", [](Design& d) { d.baffleHeightCm = kNaN; }, DesignCheck::notFinite, 3},
    {"infinite_distance", [](Design& d) { d.listenerDistanceM = kInfinity; },
     DesignCheck::notFinite, 10},
    {"zero_width", [](Design& d) { d.baffleWidthCm = 0.0F; }, DesignCheck::baffleNotBuildable, 4},
    {"driver_left_of_baffle", [](Design& d) { d.driverXCm = -1.0F; }, DesignCheck::driverOffBaffle,
     5},
    {"driver_above_baffle", [](Design& d) { d.driverYCm = 101.0F; }, DesignCheck::driverOffBaffle,
     6},
    {"driver_wider_than_baffle", [](Design& d) { d.driverDiameterCm = 61.0F; },
     DesignCheck::driverWiderThanBaffle, 7},
    {"listener_behind", [](Design& d) { d.offAxisAngleDeg = 120.0F; }, DesignCheck::behindBaffle,
     15},
    {"zero_resonance", [](Design& d) { d.resonanceHz = 0.0F; }, DesignCheck::valueZero, 8},
    {"zero_resonance_levels", [](Design& d) { d.resonanceHz = 0.0F; }, DesignCheck::levelsNotFinite,
     0},
    {"negative_q", [](Design& d) { d.qualityFactor = -0.7F; }, DesignCheck::valueBelowZero, 9},
    {"small_round_baffle", [](Design& d) { d.roundBaffleDiameterCm = 10.0F; },
     DesignCheck::roundBaffleTooSmall, 13},
};

void PrintTo(const CheckCase& c, std::ostream* out) {
    *out << c.name;
}

class DesignCheckTest : public testing::TestWithParam<CheckCase> {};

TEST_P(DesignCheckTest, NotesTheFaultOnItsField) {
    const CheckCase& c = GetParam();
    Design design;
    c.change(design);
    const std::vector<DesignNote> notes = checkDesign(design);
    const auto found = std::find_if(notes.begin(), notes.end(), [&c](const DesignNote& note) {
        return note.check == c.check && note.record() == c.record;
    });
    ASSERT_NE(found, notes.end()) << designCheckName(c.check);
    EXPECT_FALSE(found->text.empty());
    if (c.check == DesignCheck::notFinite) {
        EXPECT_NE(found->text.find(found->field->name), std::string::npos) << found->text;
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, DesignCheckTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<CheckCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(DesignCheck, TheShippedExampleHasNoNote) {
    EXPECT_TRUE(checkDesign(Design{}).empty());
}

// The rectangular baffle's geometry means nothing to the single-path models.
TEST(DesignCheck, TheSinglePathModelsIgnoreTheRectangle) {
    Design design;
    design.model = Model::singlePath;
    design.driverXCm = -5.0F;
    design.offAxisAngleDeg = 150.0F;
    EXPECT_TRUE(checkDesign(design).empty());
}

// The note on levels counts exactly the rows whose levels are not all finite,
// on the grid the response was computed on.
TEST(DesignCheck, TheLevelNoteCountsTheResponsesRows) {
    Design design;
    design.listenerDistanceM = 0.0F;
    design.model = Model::singlePath;
    design.roundBaffleDiameterCm = 0.0F;
    design.driverDiameterCm = 0.0F;
    const Response response =
        computeResponse(design, *FrequencyGrid::perOctave({.pointsPerOctave = 3}));
    std::size_t rows = 0;
    for (std::size_t i = 0; i < response.frequenciesHz.size(); ++i) {
        const ResponseRow row = response.row(i);
        rows += std::any_of(row.levelsDb.begin(), row.levelsDb.end(),
                            [](float level) { return !std::isfinite(level); });
    }
    ASSERT_GT(rows, 0U);
    const std::vector<DesignNote> notes = checkDesign(design, response);
    const bool noted = !notes.empty() && notes.back().check == DesignCheck::levelsNotFinite;
    EXPECT_EQ(noted, rows > 0);
    if (noted) {
        EXPECT_EQ(notes.back().text.rfind(std::to_string(rows) + " of the " +
                                              std::to_string(response.frequenciesHz.size()),
                                          0),
                  0U);
    }
}

}  // namespace
}  // namespace opbaff
