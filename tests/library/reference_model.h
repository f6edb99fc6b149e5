// An independent computation of the response values in double precision, from
// the formulas of the physics rather than the library's steps: the check on the
// phases of the complex values.
#pragma once

#include <array>
#include <complex>

#include "opbaff/opbaff.h"

namespace opbaff::test {

using Wide = std::complex<double>;

struct ReferenceValues {
    std::array<Wide, 4> values;  // the four columns, as Response::columns[k].values
    double scale = 0.0;          // the sum of the magnitudes of the terms added
};

// The model's values at frequency f. The rectangular baffle's edge directions
// are those of the model's table, which accumulates single-precision rounding by
// its definition; everything else is computed in double precision.
ReferenceValues referenceValues(const Design& design, double f);

}  // namespace opbaff::test
