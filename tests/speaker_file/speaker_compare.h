// Two speakers compared field by field, lengths and values to a relative
// tolerance: the first difference in words, or empty when they agree.
#pragma once

#include <string>

#include "opbaff/speaker.h"

namespace opbaff::test {

std::string speakerDifference(const Speaker& a, const Speaker& b, double relative);

}  // namespace opbaff::test
