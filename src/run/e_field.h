// The E16.8 field and line of a result row, for callers already inside the
// library's floating-point environment (api/fp_environment.h): the public
// formatEField and formatResultLine set it up and call these.
#pragma once

#include <array>

#include "model/real.h"
#include "opbaff/result_file.h"

namespace opbaff {

EField eFieldOf(Real value);
ResultLine resultLineOf(const std::array<float, 4>& levels);

}  // namespace opbaff
