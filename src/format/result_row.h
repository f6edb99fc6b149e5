// A row of the result file: four E16.8 fields and CR LF (declared for users in
// opbaff/result_file.h). These two are for callers already inside the library's
// floating-point environment (api/fp_environment.h): the public formatEField
// and formatResultLine set it up and call them.
#pragma once

#include <array>

#include "model/real.h"
#include "opbaff/result_file.h"

namespace opbaff {

EField eFieldOf(Real value);
ResultLine resultLineOf(const std::array<float, 4>& levels);

}  // namespace opbaff
