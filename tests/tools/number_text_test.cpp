// The tools' one reader of numbers and of FROM:TO:STEP ranges: what it takes,
// what it refuses and why, and that a range's size is bounded before any value
// is made.
#include "number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace opbaff::tools {
namespace {

struct RangeCase {
    const char* name;
    const char* text;
    std::size_t maxCount;
    std::vector<float> values;  // empty: refused with `problem` on `part`
    RangeProblem problem;
    std::size_t part;
};

constexpr auto kNone = RangeProblem::notThreeParts;  // unused where values are given
constexpr std::size_t kMany = 100000;

const RangeCase kRanges[] = {
    {"both_ends", "40:120:20", kMany, {40, 60, 80, 100, 120}, kNone, 0},
    {"step_not_dividing", "0:1:0.3", kMany, {0, 0.3F, 0.6F, 0.9F}, kNone, 0},
    // 0.1 + 6 x 0.1 misses 0.7 by about 1e-16: TO is still the last value.
    {"to_within_rounding",
     "0.1:0.7:0.1",
     kMany,
     {0.1F, 0.2F, 0.3F, 0.4F, 0.5F, 0.6F, 0.7F},
     kNone,
     0},
    // Ten steps would pass TO by 2e-5 steps, more than the rounding: nine.
    {"to_short_by_more_than_rounding",
     "0:0.999998:0.1",
     kMany,
     {0, 0.1F, 0.2F, 0.3F, 0.4F, 0.5F, 0.6F, 0.7F, 0.8F, 0.9F},
     kNone,
     0},
    {"passes_zero_exactly",
     "-0.3:0.3:0.1",
     kMany,
     {-0.3F, -0.2F, -0.1F, 0, 0.1F, 0.2F, 0.3F},
     kNone,
     0},
    {"negative_step", "0:-30:-15", kMany, {0, -15, -30}, kNone, 0},
    {"from_is_to", "45:45:-1", kMany, {45}, kNone, 0},
    {"plus_signs", "+1:+3:+1", kMany, {1, 2, 3}, kNone, 0},
    {"exactly_max_count", "1:5:1", 5, {1, 2, 3, 4, 5}, kNone, 0},
    {"two_parts", "1:2", kMany, {}, RangeProblem::notThreeParts, 0},
    {"four_parts", "1:2:3:4", kMany, {}, RangeProblem::notThreeParts, 0},
    {"empty", "", kMany, {}, RangeProblem::notThreeParts, 0},
    {"empty_part", "1::1", kMany, {}, RangeProblem::notANumber, 1},
    {"blank_before", " 1:2:1", kMany, {}, RangeProblem::notANumber, 0},
    {"unit_after", "1:2cm:1", kMany, {}, RangeProblem::notANumber, 1},
    {"nan_from", "nan:1:1", kMany, {}, RangeProblem::notANumber, 0},
    {"infinite_step", "1:2:inf", kMany, {}, RangeProblem::notANumber, 2},
    {"infinite_to", "1:-infinity:-1", kMany, {}, RangeProblem::notANumber, 1},
    {"beyond_double", "1:1e400:1", kMany, {}, RangeProblem::notANumber, 1},
    {"beyond_float", "1e39:1e39:1", kMany, {}, RangeProblem::outsideLimits, 0},
    {"beyond_float_below", "0:-3.5e38:-1e38", kMany, {}, RangeProblem::outsideLimits, 1},
    {"zero_step", "1:2:0", kMany, {}, RangeProblem::zeroStep, 2},
    {"negative_zero_step", "1:1:-0", kMany, {}, RangeProblem::zeroStep, 2},
    {"step_away_from_to", "2:1:1", kMany, {}, RangeProblem::awayFromTo, 1},
    {"one_over_max_count", "1:6:1", 5, {}, RangeProblem::tooManyValues, 0},
    // Counts that no vector could hold, refused before any value is made.
    {"huge_count", "0:1e30:1e-30", kMany, {}, RangeProblem::tooManyValues, 0},
    {"infinite_count", "-3e38:3e38:1", kMany, {}, RangeProblem::tooManyValues, 0},
    {"finer_than_a_float", "100:100.0001:0.000001", kMany, {}, RangeProblem::finerThanFloat, 2},
};

void PrintTo(const RangeCase& c, std::ostream* out) {
    *out << c.name;
}

class ParseRangeTest : public testing::TestWithParam<RangeCase> {};

TEST_P(ParseRangeTest, ValuesOrTheProblemAndItsPart) {
    const RangeCase& c = GetParam();
    const auto values = parseRange(c.text, {.maxCount = c.maxCount});
    if (!c.values.empty()) {
        ASSERT_TRUE(values) << static_cast<int>(values.error().problem);
        EXPECT_EQ(*values, c.values);
        return;
    }
    ASSERT_FALSE(values) << values->size() << " values";
    EXPECT_EQ(values.error().problem, c.problem);
    if (c.problem != RangeProblem::notThreeParts && c.problem != RangeProblem::tooManyValues) {
        EXPECT_EQ(values.error().part, c.part);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseRangeTest, testing::ValuesIn(kRanges),
                         [](const testing::TestParamInfo<RangeCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ParseRangeTest, LimitsBoundTheEndsAndNameTheValue) {
    const RangeLimits halfTurn{-180.0, 180.0, 3601};
    ASSERT_TRUE(parseRange("-180:180:0.1", halfTurn));
    EXPECT_EQ(parseRange("-180:180:0.1", halfTurn)->size(), 3601U);
    const auto beyond = parseRange("0:190.5:10", halfTurn);
    ASSERT_FALSE(beyond);
    EXPECT_EQ(beyond.error().problem, RangeProblem::outsideLimits);
    EXPECT_EQ(beyond.error().text, "190.5");
    EXPECT_EQ(beyond.error().value, 190.5);
}

// Every value lies between FROM and TO in order, each FROM + k STEP rounded
// to a float once (away from the two snapped ends), for steps of both signs
// that do and do not divide the span.
TEST(ParseRangeTest, EachValueIsFromPlusKStepsRoundedOnce) {
    const struct {
        double from, to, step;
    } ranges[] = {{0, 1, 0.07}, {-5, 5, 0.3}, {3, -2, -0.25}, {1e-3, 2e-3, 1e-5}, {-90, 90, 7.5}};
    for (const auto& r : ranges) {
        const std::string text =
            std::to_string(r.from) + ":" + std::to_string(r.to) + ":" + std::to_string(r.step);
        const auto values = parseRange(text, {.maxCount = 1000});
        ASSERT_TRUE(values) << text;
        const auto from = std::stod(std::to_string(r.from));
        const auto step = std::stod(std::to_string(r.step));
        for (std::size_t k = 1; k + 1 < values->size(); ++k) {
            const double exact = from + static_cast<double>(k) * step;
            if (std::fabs(exact) > 1e-6 * std::fabs(step)) {
                EXPECT_EQ((*values)[k], static_cast<float>(exact)) << text << " value " << k;
            }
            EXPECT_EQ((*values)[k] > (*values)[k - 1], step > 0) << text << " value " << k;
        }
    }
}

TEST(ParseNumberTest, TheWholeTextAsAFiniteNumberOfItsType) {
    EXPECT_EQ(parseNumber<double>("+2.5"), 2.5);
    EXPECT_EQ(parseNumber<double>("-1e-3"), -1e-3);
    EXPECT_EQ(parseNumber<float>("3.4e38"), 3.4e38F);
    EXPECT_EQ(parseNumber<int>("+8"), 8);
    EXPECT_EQ(parseNumber<std::size_t>("4"), 4U);
    for (const char* refused :
         {"", "+", "++1", " 1", "1 ", "1,5", "0x10", "nan", "-inf", "1e400"}) {
        EXPECT_EQ(parseNumber<double>(refused), std::nullopt) << refused;
    }
    EXPECT_EQ(parseNumber<float>("1e39"), std::nullopt);  // beyond a float
    EXPECT_EQ(parseNumber<int>("2.5"), std::nullopt);
    EXPECT_EQ(parseNumber<int>("99999999999"), std::nullopt);
    EXPECT_EQ(parseNumber<std::size_t>("-1"), std::nullopt);
}

TEST(DecimalValueTest, TheNumberTheShortestTextStandsFor) {
    EXPECT_EQ(decimalValue(0.6F), 0.6);
    EXPECT_NE(static_cast<double>(0.6F), 0.6);
    EXPECT_EQ(decimalValue(60.0F), 60.0);
    EXPECT_TRUE(std::isinf(decimalValue(std::numeric_limits<float>::infinity())));
}

}  // namespace
}  // namespace opbaff::tools
