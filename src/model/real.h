// Real and Complex: the single-precision values every step of the model stores.
//
// Each step of the model is written as one expression over double operands and
// narrowed to a Real once, when it is stored. The helpers here follow that rule:
// they take stored Reals, compute in double and round only their final result.
#pragma once

namespace opbaff {

using Real = float;

// A pair of Reals: real part, imaginary part.
struct Complex {
    Real re = 0.0F;
    Real im = 0.0F;
    friend bool operator==(const Complex&, const Complex&) = default;
};

// An intermediate complex value of one step, not yet rounded.
struct WideComplex {
    double re = 0.0;
    double im = 0.0;
};

inline WideComplex widen(Complex z) {
    return {z.re, z.im};
}

inline Complex narrow(WideComplex z) {
    return {static_cast<Real>(z.re), static_cast<Real>(z.im)};
}

// (a, b)(c, d) = (ac - bd, ad + bc) from unrounded products, also when an
// imaginary part is 0 (so infinities and NaNs propagate as the formula says).
inline WideComplex product(WideComplex x, WideComplex y) {
    return {x.re * y.re - x.im * y.im, x.re * y.im + x.im * y.re};
}

inline Complex multiply(Complex x, Complex y) {
    return narrow(product(widen(x), widen(y)));
}

// Part by part, each part rounded.
inline Complex add(Complex x, Complex y) {
    return {static_cast<Real>(static_cast<double>(x.re) + y.re),
            static_cast<Real>(static_cast<double>(x.im) + y.im)};
}

// Smith's complex division (a, b) / (c, d), branching on the divisor's larger
// part; with |d| = |c| or a NaN part the second branch is taken.
inline WideComplex smithQuotient(WideComplex dividend, WideComplex divisor) {
    const double a = dividend.re;
    const double b = dividend.im;
    const double c = divisor.re;
    const double d = divisor.im;
    if ((d < 0 ? -d : d) > (c < 0 ? -c : c)) {
        const double t = c / d;
        const double n = d + c * t;
        return {(a * t + b) / n, (b * t - a) / n};
    }
    const double t = d / c;
    const double n = c + d * t;
    return {(a + b * t) / n, (b - a * t) / n};
}

}  // namespace opbaff
