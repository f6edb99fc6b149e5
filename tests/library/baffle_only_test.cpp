// The baffle's own response: the shipped example's levels with the driver's
// high-pass divided out, against the whole response, against the model's own
// complex values, and against the old way of hiding the high-pass behind a
// resonance far below the grid.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <ostream>
#include <string>

#include "opbaff/design_plate.h"
#include "opbaff/opbaff.h"

namespace opbaff {
namespace {

Design example() {
    const auto file =
        readParameterFile(std::string(OPBAFF_TEST_DATA) + "/../../examples/Opbaffin.txt");
    EXPECT_TRUE(file);
    return file ? file->design : Design{};
}

// Levels a float's rounding apart: a few units in the last place of a level of
// tens of dB, as the two roundings (the level's, then the division's) leave.
constexpr double kFloatRoundingDb = 1e-5;

struct GridCase {
    const char* name;
    FrequencyGrid grid;
};

void PrintTo(const GridCase& c, std::ostream* out) {
    *out << c.name;
}

class BaffleOnlyTest : public testing::TestWithParam<GridCase> {};

// Divided by the high-pass, in magnitudes: 10^(L/20) / |H| is the baffle's
// magnitude, and its level is what baffleOnlyResponse gives.
TEST_P(BaffleOnlyTest, IsTheWholeResponseDividedByTheDriversHighPass) {
    const Design design = example();
    const Response whole = computeResponse(design, GetParam().grid);
    const Response baffle = baffleOnlyResponse(whole, design);
    ASSERT_EQ(baffle.frequenciesHz, whole.frequenciesHz);
    for (std::size_t k = 0; k < whole.columns.size(); ++k) {
        ASSERT_EQ(baffle.columns[k].levelsDb.size(), whole.frequenciesHz.size());
        EXPECT_EQ(baffle.columns[k].values, whole.columns[k].values) << k;
        for (std::size_t i = 0; i < whole.frequenciesHz.size(); ++i) {
            const double f = whole.frequenciesHz[i];
            const double divided = std::pow(10.0, whole.columns[k].levelsDb[i] / 20.0) /
                                   std::abs(driverHighPass(design, f));
            EXPECT_NEAR(baffle.columns[k].levelsDb[i], 20.0 * std::log10(divided), kFloatRoundingDb)
                << "column " << k << " at " << f << " Hz";
        }
    }
}

// The classic model's complex values hold the high-pass by its magnitude, as
// its own single-precision formula computes it: divided by the library's
// double-precision |H| they give the baffle's level too.
TEST_P(BaffleOnlyTest, AgreesWithTheModelsOwnValues) {
    const Design design = example();
    const Response baffle = baffleOnlyResponse(computeResponse(design, GetParam().grid), design);
    for (const ResponseKind kind :
         {ResponseKind::rectangularOnAxis, ResponseKind::roundBaffleOnAxis,
          ResponseKind::rectangularOffAxis}) {
        const ResponseColumn& column = *baffle.column(kind);
        for (std::size_t i = 0; i < baffle.frequenciesHz.size(); ++i) {
            const double f = baffle.frequenciesHz[i];
            const double fromValue =
                20.0 * std::log10(std::abs(std::complex<double>(column.values[i])) /
                                  std::abs(driverHighPass(design, f)));
            EXPECT_NEAR(column.levelsDb[i], fromValue, 1e-4)
                << responseName(kind) << " at " << f << " Hz";
        }
    }
}

// A resonance of 0.001 Hz puts the high-pass's corner far below the grid, so
// the whole response of that design is the baffle's own: the same levels
// within the model's single-precision rounding. (It sums 101 edge points a side
// in floats, where front and rear nearly cancel at low frequencies: terms
// scaled by |H| or not round differently, by up to 1.4e-4 dB here.) Not in the
// no-path column, whose floor of 1e-5 is added after the high-pass.
TEST_P(BaffleOnlyTest, IsWhatAResonanceFarBelowTheGridGives) {
    const Design design = example();
    Design hidden = design;
    hidden.resonanceHz = 0.001F;
    const Response baffle = baffleOnlyResponse(computeResponse(design, GetParam().grid), design);
    const Response trick = computeResponse(hidden, GetParam().grid);
    for (std::size_t k = 0; k < 3; ++k) {
        for (std::size_t i = 0; i < baffle.frequenciesHz.size(); ++i) {
            EXPECT_NEAR(baffle.columns[k].levelsDb[i], trick.columns[k].levelsDb[i], 1e-3)
                << "column " << k << " at " << baffle.frequenciesHz[i] << " Hz";
        }
    }
    // At 10 Hz the driver's high-pass alone is down by 24 dB: the baffle's
    // own response lies that much higher.
    EXPECT_GT(baffle.columns[0].levelsDb[0] - computeResponse(design).columns[0].levelsDb[0], 23.0);
}

INSTANTIATE_TEST_SUITE_P(
    Grids, BaffleOnlyTest,
    testing::Values(GridCase{"standard", FrequencyGrid::standard()},
                    GridCase{"24_per_octave",
                             FrequencyGrid::perOctave({.pointsPerOctave = 24}).value()}),
    [](const testing::TestParamInfo<GridCase>& info) { return std::string(info.param.name); });

// The single-path model's constant reference level holds no driver and stays.
TEST(BaffleOnlyResponseTest, LeavesTheReferenceLevelAlone) {
    Design design = example();
    design.model = Model::singlePath;
    const Response whole = computeResponse(design);
    const Response baffle = baffleOnlyResponse(whole, design);
    EXPECT_EQ(baffle.column(ResponseKind::referenceLevel)->levelsDb,
              whole.column(ResponseKind::referenceLevel)->levelsDb);
    EXPECT_GT(baffle.columns[0].levelsDb[0], whole.columns[0].levelsDb[0] + 23.0);
}

// The accurate model's values leave the high-pass out altogether: their
// level is the baffle's own.
TEST(BaffleOnlyResponseTest, OnTheAccurateModelIsTheLevelOfItsValues) {
    const Design design = example();
    const auto grid = FrequencyGrid::fromFrequencies({20.0F, 100.0F, 400.0F});
    ASSERT_TRUE(grid);
    const auto whole = computePlateResponse(design, *grid);
    ASSERT_TRUE(whole);
    const Response baffle = baffleOnlyResponse(*whole, design);
    const ResponseColumn& onAxis = *baffle.column(ResponseKind::rectangularOnAxis);
    for (std::size_t i = 0; i < grid->size(); ++i) {
        EXPECT_NEAR(onAxis.levelsDb[i], 20.0 * std::log10(std::abs(onAxis.values[i])), 1e-4)
            << baffle.frequenciesHz[i] << " Hz";
    }
}

}  // namespace
}  // namespace opbaff
