// Frequency grids: the standard grid keeps its bits through the grid argument,
// logarithmic grids have the right count, ends and ratio, and a frequency's
// levels do not depend on the grid around it.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "library_test_support.h"

namespace opbaff {

// The model's name in the logs of the tests it parameterises.
void PrintTo(Model model, std::ostream* out) {
    *out << modelName(model);
}

namespace {

Design exampleOf(Model model) {
    Design design;
    design.model = model;
    return design;
}

const Model kModels[] = {Model::rectangular, Model::singlePath, Model::singlePathHalfDelay};

std::uint32_t bitsOf(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

class GridModelTest : public testing::TestWithParam<Model> {};

TEST_P(GridModelTest, TheStandardGridArgumentIsTheDefault) {
    const Response byDefault = computeResponse(exampleOf(GetParam()));
    const Response byArgument = computeResponse(exampleOf(GetParam()), FrequencyGrid::standard());
    EXPECT_EQ(test::resultFileBytes(byDefault), test::resultFileBytes(byArgument));
    EXPECT_EQ(byDefault.frequenciesHz, byArgument.frequenciesHz);
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(byDefault.columns[k].values, byArgument.columns[k].values);
    }
}

// The standard frequencies reversed and interleaved with others, so that they
// fall at other places of other blocks of 81: each still gives its own row.
TEST_P(GridModelTest, AFrequencysLevelsDoNotDependOnItsGrid) {
    const Design design = exampleOf(GetParam());
    const Response standard = computeResponse(design);
    std::vector<float> mixed;
    for (auto f = standard.frequenciesHz.rbegin(); f != standard.frequenciesHz.rend(); ++f) {
        mixed.push_back(*f);
        mixed.push_back(*f * 1.03F);
    }
    const auto grid = FrequencyGrid::fromFrequencies(mixed);
    ASSERT_TRUE(grid);
    const Response response = computeResponse(design, *grid);
    ASSERT_EQ(response.frequenciesHz, mixed);
    for (std::size_t i = 0; i < standard.frequenciesHz.size(); ++i) {
        const std::size_t j = 2 * (standard.frequenciesHz.size() - 1 - i);
        for (std::size_t k = 0; k < 4; ++k) {
            EXPECT_EQ(bitsOf(response.columns[k].levelsDb[j]),
                      bitsOf(standard.columns[k].levelsDb[i]))
                << "column " << k + 1 << " at " << standard.frequenciesHz[i] << " Hz";
            EXPECT_EQ(response.columns[k].values[j], standard.columns[k].values[i]);
        }
    }
}

// 10 Hz lies on both the standard grid and every grid from 10 Hz.
TEST_P(GridModelTest, PerOctaveGridsShareTheStandardGridsFirstRow) {
    const Design design = exampleOf(GetParam());
    const Response standard = computeResponse(design);
    const Response fine =
        computeResponse(design, *FrequencyGrid::perOctave({.pointsPerOctave = 24}));
    ASSERT_EQ(fine.frequenciesHz.front(), standard.frequenciesHz.front());
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(bitsOf(fine.columns[k].levelsDb[0]), bitsOf(standard.columns[k].levelsDb[0]));
    }
}

INSTANTIATE_TEST_SUITE_P(Models, GridModelTest, testing::ValuesIn(kModels),
                         [](const testing::TestParamInfo<Model>& info) {
                             return test::testName(modelName(info.param));
                         });

TEST(StandardGridTest, TenHertzTimesOnePointOneAt81Points) {
    const FrequencyGrid grid = FrequencyGrid::standard();
    ASSERT_EQ(grid.size(), kStandardGridSize);
    EXPECT_TRUE(grid.isStandard());
    EXPECT_EQ(grid.frequencies()[0], 10.0F);
    EXPECT_EQ(grid.frequencies()[2], 12.1000004F);
    EXPECT_EQ(grid.frequencies()[80], 20484.033203125F);
}

struct OctaveCase {
    const char* name;
    int pointsPerOctave;
    float lowestHz;
    float highestHz;
    std::size_t count;
};

const OctaveCase kOctaveCases[] = {
    {"24_per_octave", 24, 10.0F, 20000.0F, 265}, {"48_per_octave", 48, 10.0F, 20000.0F, 528},
    {"third_octaves", 3, 10.0F, 20000.0F, 34},   {"an_end_on_the_grid", 24, 10.0F, 20480.0F, 265},
    {"one_point", 12, 100.0F, 100.0F, 1},        {"narrow_band", 12, 1000.0F, 1001.0F, 2},
};

void PrintTo(const OctaveCase& c, std::ostream* out) {
    *out << c.name;
}

class PerOctaveGridTest : public testing::TestWithParam<OctaveCase> {};

TEST_P(PerOctaveGridTest, CountEndsAndRatio) {
    const OctaveCase& c = GetParam();
    const auto grid = FrequencyGrid::perOctave(
        {.pointsPerOctave = c.pointsPerOctave, .lowestHz = c.lowestHz, .highestHz = c.highestHz});
    ASSERT_TRUE(grid) << errorText(grid.error());
    const std::vector<float>& f = grid->frequencies();
    EXPECT_FALSE(grid->isStandard());
    ASSERT_EQ(f.size(), c.count);
    EXPECT_EQ(f.front(), c.lowestHz);
    EXPECT_GE(f.back(), c.highestHz);
    if (f.size() > 1) {
        EXPECT_LT(f[f.size() - 2], c.highestHz);
    }
    const double ratio = std::exp2(1.0 / c.pointsPerOctave);
    for (std::size_t k = 1; k < f.size(); ++k) {
        EXPECT_NEAR(static_cast<double>(f[k]) / f[k - 1], ratio, 2e-7 * ratio) << k;
        EXPECT_EQ(f[k], static_cast<float>(c.lowestHz *
                                           std::exp2(static_cast<double>(k) / c.pointsPerOctave)));
    }
}

INSTANTIATE_TEST_SUITE_P(Grids, PerOctaveGridTest, testing::ValuesIn(kOctaveCases),
                         [](const testing::TestParamInfo<OctaveCase>& info) {
                             return std::string(info.param.name);
                         });

// Where the step past the highest frequency would overflow a float, the grid
// ends on its last finite frequency: every frequency of a grid is finite.
struct OverflowCase {
    const char* name;
    int pointsPerOctave;
    float lowestHz;
    float highestHz;
    std::size_t count;
};

const OverflowCase kOverflowCases[] = {
    {"octaves_from_1_hz", 1, 1.0F, std::numeric_limits<float>::max(), 128},
    {"fine_steps_at_the_top", 1000, 1e38F, std::numeric_limits<float>::max(), 1767},
    {"top_itself", 24, std::numeric_limits<float>::max(), std::numeric_limits<float>::max(), 1},
};

void PrintTo(const OverflowCase& c, std::ostream* out) {
    *out << c.name;
}

class OverflowGridTest : public testing::TestWithParam<OverflowCase> {};

TEST_P(OverflowGridTest, EndsOnItsLastFiniteFrequency) {
    const OverflowCase& c = GetParam();
    const auto grid = FrequencyGrid::perOctave(
        {.pointsPerOctave = c.pointsPerOctave, .lowestHz = c.lowestHz, .highestHz = c.highestHz});
    ASSERT_TRUE(grid) << errorText(grid.error());
    const std::vector<float>& f = grid->frequencies();
    ASSERT_EQ(f.size(), c.count);
    for (const float frequency : f) EXPECT_TRUE(std::isfinite(frequency) && frequency > 0.0F);
    const double next = c.lowestHz * std::exp2(static_cast<double>(f.size()) / c.pointsPerOctave);
    EXPECT_GT(next, static_cast<double>(std::numeric_limits<float>::max()));
}

INSTANTIATE_TEST_SUITE_P(Grids, OverflowGridTest, testing::ValuesIn(kOverflowCases),
                         [](const testing::TestParamInfo<OverflowCase>& info) {
                             return std::string(info.param.name);
                         });

struct BadGridCase {
    const char* name;
    Result<FrequencyGrid, Error> (*make)();
    Error error;
};

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

const BadGridCase kBadGrids[] = {
    {"no_points_per_octave", [] { return FrequencyGrid::perOctave({.pointsPerOctave = 0}); },
     Error::pointsPerOctaveOutOfRange},
    {"too_many_per_octave", [] { return FrequencyGrid::perOctave({.pointsPerOctave = 1001}); },
     Error::pointsPerOctaveOutOfRange},
    {"lowest_zero",
     [] {
         return FrequencyGrid::perOctave(
             {.pointsPerOctave = 24, .lowestHz = 0.0F, .highestHz = 100.0F});
     },
     Error::frequencyNotPositive},
    {"lowest_negative",
     [] {
         return FrequencyGrid::perOctave(
             {.pointsPerOctave = 24, .lowestHz = -10.0F, .highestHz = 100.0F});
     },
     Error::frequencyNotPositive},
    {"highest_infinite",
     [] {
         return FrequencyGrid::perOctave(
             {.pointsPerOctave = 24, .lowestHz = 10.0F, .highestHz = kInfinity});
     },
     Error::frequencyNotPositive},
    {"highest_nan",
     [] {
         return FrequencyGrid::perOctave(
             {.pointsPerOctave = 24, .lowestHz = 10.0F, .highestHz = kNaN});
     },
     Error::frequencyNotPositive},
    {"reversed",
     [] {
         return FrequencyGrid::perOctave(
             {.pointsPerOctave = 24, .lowestHz = 1000.0F, .highestHz = 100.0F});
     },
     Error::frequencyRangeReversed},
    {"too_many_points",
     [] {
         return FrequencyGrid::perOctave(
             {.pointsPerOctave = 1000, .lowestHz = 1e-30F, .highestHz = 1e30F});
     },
     Error::gridSizeOutOfRange},
    {"points_left_out",
     [] { return FrequencyGrid::perOctave({.lowestHz = 20.0F, .highestHz = 20000.0F}); },
     Error::pointsPerOctaveOutOfRange},
    {"empty_list", [] { return FrequencyGrid::fromFrequencies({}); }, Error::gridSizeOutOfRange},
    {"zero_in_list",
     [] {
         return FrequencyGrid::fromFrequencies({10.0F, 0.0F});
     },
     Error::frequencyNotPositive},
};

void PrintTo(const BadGridCase& c, std::ostream* out) {
    *out << c.name;
}

// A grid is asked for by named fields only: two bare frequencies, or a bare
// count, do not compile.
template <typename... Arguments>
concept CanAskPerOctave = requires(Arguments... a) {
    FrequencyGrid::perOctave(a...);
};
static_assert(CanAskPerOctave<GridRequest>);
static_assert(!CanAskPerOctave<float, float>);
static_assert(!CanAskPerOctave<int, float, float>);
static_assert(!CanAskPerOctave<int>);

TEST(GridErrorText, NamesTheLimits) {
    EXPECT_NE(std::string(errorText(Error::pointsPerOctaveOutOfRange))
                  .find("1 to " + std::to_string(kMaxPointsPerOctave)),
              std::string::npos);
    EXPECT_NE(std::string(errorText(Error::gridSizeOutOfRange))
                  .find("1 to " + std::to_string(kMaxGridPoints) + " frequencies"),
              std::string::npos);
}

class BadGridTest : public testing::TestWithParam<BadGridCase> {};

TEST_P(BadGridTest, GivesItsErrorAndAText) {
    const BadGridCase& c = GetParam();
    const auto grid = c.make();
    ASSERT_FALSE(grid);
    EXPECT_EQ(grid.error(), c.error);
    EXPECT_STRNE(errorText(grid.error()), "unknown error");
}

INSTANTIATE_TEST_SUITE_P(Grids, BadGridTest, testing::ValuesIn(kBadGrids),
                         [](const testing::TestParamInfo<BadGridCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace opbaff
