// The few routines of the f2c run-time library (libf2c) whose exact double
// precision results the model relies on, declared here so that f2c.h and its
// function-like macros (abs, min, max) stay out of C++ code.
#pragma once

#include <cstdint>

#include "model/real.h"

extern "C" {
struct F2cComplex {
    float r;
    float i;
};
double c_abs(F2cComplex* z);
void c_exp(F2cComplex* result, F2cComplex* z);
double r_lg10(float* x);
std::int32_t s_cmp(const char* a, const char* b, std::int32_t la, std::int32_t lb);
}

namespace opbaff {

// |z|, with libf2c's scaling by the larger part, in double precision.
inline double magnitude(Complex z) {
    F2cComplex f{z.re, z.im};
    return c_abs(&f);
}

// log10 x as libf2c computes it: ln x times log10 e, in double precision.
inline double log10Real(Real x) {
    return r_lg10(&x);
}

// e^z, as libf2c computes it, rounded part by part.
inline Complex complexExp(Complex z) {
    F2cComplex f{z.re, z.im};
    F2cComplex r{};
    c_exp(&r, &f);
    return {r.r, r.i};
}

}  // namespace opbaff
