// The delay factor computed as (cos phi, sin phi) against libf2c's complex
// exponential of (0, phi), which the results are defined by.
#include "model/path_delay.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>

#include "model/libf2c.h"

namespace opbaff {
namespace {

bool sameBits(Complex a, Complex b) {
    return std::bit_cast<std::uint32_t>(a.re) == std::bit_cast<std::uint32_t>(b.re) &&
           std::bit_cast<std::uint32_t>(a.im) == std::bit_cast<std::uint32_t>(b.im);
}

TEST(DelayFactor, EqualsTheComplexExponentialBitForBit) {
    std::mt19937 random(81);
    // Phases of the model lie between 0 and about -2000 rad; include the rest too.
    std::uniform_real_distribution<float> modelPhases(-2500.0F, 0.0F);
    for (int k = 0; k < 200000; ++k) {
        const Real phi = k % 4 == 0 ? std::bit_cast<Real>(static_cast<std::uint32_t>(random()))
                                    : modelPhases(random);
        const Complex expected = complexExp({0.0F, phi});
        const Complex actual = delayFactor(phi);
        if (phi != phi) continue;  // NaN in, NaN out: payloads may differ
        ASSERT_TRUE(sameBits(actual, expected)) << std::hexfloat << phi;
    }
    for (const Real phi : {0.0F, -0.0F, 1.0e-30F, -3.14159274F, 1.0e30F}) {
        EXPECT_TRUE(sameBits(delayFactor(phi), complexExp({0.0F, phi}))) << phi;
    }
}

}  // namespace
}  // namespace opbaff
