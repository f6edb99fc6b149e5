// The library as a program built with -ffast-math calls it: flush-to-zero and
// denormals-are-zero on, and rounding towards +infinity besides. Every call
// gives the results it gives in the default environment, and hands the
// caller's environment back unchanged.
#include <fenv.h>
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cstdint>
#include <cstring>
#include <string>

#include "library_test_support.h"

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace opbaff {
namespace {

// Flush-to-zero (bit 15 of MXCSR) and denormals-are-zero (bit 6), as the
// start-up code of -ffast-math sets them.
[[maybe_unused]] constexpr unsigned int kCallerModes = 0x8040U;

// What a caller's environment is made of here: the rounding direction and the
// SSE modes (which the x87 environment does not hold).
struct CallerEnvironment {
    int rounding = 0;
    unsigned int control = 0;
    friend bool operator==(const CallerEnvironment&, const CallerEnvironment&) = default;
};

CallerEnvironment currentEnvironment() {
    CallerEnvironment e;
    e.rounding = fegetround();
#if defined(__SSE__)
    e.control = _mm_getcsr() & ~0x3FU;  // without the sticky exception flags
#endif
    return e;
}

void setCallerEnvironment() {
    fesetround(FE_UPWARD);
#if defined(__SSE__)
    _mm_setcsr(_mm_getcsr() | kCallerModes);
#endif
}

class FastMathCallerTest : public testing::Test {
  protected:
    void SetUp() override {
        setCallerEnvironment();
        caller_ = currentEnvironment();
        ASSERT_EQ(caller_.rounding, FE_UPWARD);
#if defined(__SSE__)
        ASSERT_EQ(caller_.control & kCallerModes, kCallerModes);
        // The modes are in force: a subnormal reads as zero.
        volatile float tiny = 1e-40F;
        ASSERT_EQ(tiny * 1.0F, 0.0F);
#endif
    }
    void TearDown() override {
        EXPECT_EQ(currentEnvironment(), caller_);
    }
    CallerEnvironment caller_;
};

std::string eField(float level) {
    const EField field = formatEField(level);
    return {field.begin(), field.end()};
}

TEST_F(FastMathCallerTest, ReferenceCasesGiveTheProgramsRows) {
    for (const std::string& name : test::referenceCaseNames()) {
        const auto file = readParameterFile(test::referenceCaseFile(name, "Opbaffin.txt"));
        ASSERT_TRUE(file) << name;
        EXPECT_EQ(test::resultFileBytes(computeResponse(file->design)),
                  test::readFile(test::referenceCaseFile(name, "OPBAFF.bds")))
            << name;
        EXPECT_EQ(currentEnvironment(), caller_) << name;
    }
}

// A resonance of 1e19 Hz makes the high-pass's magnitude subnormal at the
// lowest frequency: flushed, it would bottom out near -720 dB.
TEST_F(FastMathCallerTest, SubnormalHighPassKeepsItsLevel) {
    Design design;
    design.resonanceHz = 1e19F;
    const Response response = computeResponse(design);
    EXPECT_EQ(eField(response.columns[0].levelsDb[0]), " -0.73411554E+03");
}

TEST_F(FastMathCallerTest, SubnormalFrequenciesAreKept) {
    const auto grid = FrequencyGrid::fromFrequencies({1e-40F});
    ASSERT_TRUE(grid) << errorText(grid.error());
    EXPECT_EQ(std::bit_cast<std::uint32_t>(grid->frequencies()[0]),
              std::bit_cast<std::uint32_t>(1e-40F));
    const auto octaves =
        FrequencyGrid::perOctave({.pointsPerOctave = 1, .lowestHz = 1e-40F, .highestHz = 3.9e-40F});
    ASSERT_TRUE(octaves) << errorText(octaves.error());
    EXPECT_EQ(octaves->size(), 3U);
}

TEST_F(FastMathCallerTest, ParameterFilesReadAndWriteSubnormals) {
    Design design;
    design.qualityFactor = 1e-40F;
    const auto text = writeParameterText(design);
    ASSERT_TRUE(text);
    const auto back = readParameterText(*text);
    ASSERT_TRUE(back) << back.error().message();
    EXPECT_EQ(std::bit_cast<std::uint32_t>(back->design.qualityFactor),
              std::bit_cast<std::uint32_t>(1e-40F));
}

}  // namespace
}  // namespace opbaff
