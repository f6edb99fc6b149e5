// cos and sin together, in a form a compiler vectorises.
#pragma once

namespace opbaff::accurate {

// cos and sin of x (|x| below 1e8), branch-free so that a loop over them
// vectorises: x reduced by Cody-Waite to r in [-pi/4, pi/4] about a multiple q
// of pi/2 (pi/2 split in three parts, the first two short enough that q times
// them is exact), then Taylor series to r^16 (error below 1e-16) and the
// quadrant chosen from q mod 4.
struct CosSin {
    double c, s;
};

inline CosSin cosSin(double x) {
    constexpr double kRound = 6755399441055744.0;  // 1.5 * 2^52: adding it rounds
    constexpr double kTwoOverPi = 0.63661977236758134308;
    constexpr double kHalfPi1 = 1.57079625129699707031;
    constexpr double kHalfPi2 = 7.54978941586159635336e-08;
    constexpr double kHalfPi3 = 5.39030285815811905290e-15;
    const double q = (x * kTwoOverPi + kRound) - kRound;
    const double r = ((x - q * kHalfPi1) - q * kHalfPi2) - q * kHalfPi3;
    const double z = r * r;
    // sin r = r (1 - z/3! + z^2/5! - ...), cos r = 1 - z/2! + z^2/4! - ...
    const double sinR =
        r * (1.0 +
             z * (-1.0 / 6.0 +
                  z * (1.0 / 120.0 +
                       z * (-1.0 / 5040.0 +
                            z * (1.0 / 362880.0 +
                                 z * (-1.0 / 39916800.0 +
                                      z * (1.0 / 6227020800.0 + z * (-1.0 / 1307674368000.0))))))));
    const double cosR =
        1.0 + z * (-0.5 + z * (1.0 / 24.0 +
                               z * (-1.0 / 720.0 +
                                    z * (1.0 / 40320.0 + z * (-1.0 / 3628800.0 +
                                                              z * (1.0 / 479001600.0 +
                                                                   z * (-1.0 / 87178291200.0 +
                                                                        z / 20922789888000.0)))))));
    // q mod 4, exactly: q / 4 - 3/8 lies a quarter away from the nearest integer.
    const double m = q - 4.0 * ((q * 0.25 - 0.375 + kRound) - kRound);
    const bool odd = m == 1.0 || m == 3.0;
    const double c = odd ? sinR : cosR;
    const double s = odd ? cosR : sinR;
    return {m == 1.0 || m == 2.0 ? -c : c, m >= 2.0 ? -s : s};
}

}  // namespace opbaff::accurate
