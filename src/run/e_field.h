// The E16.8 field of a result row: a level as 0.dddddddd times a power of ten,
// right-aligned in 16 characters (declared with the result line in
// opbaff/result_file.h).
#pragma once

#include "model/real.h"
#include "opbaff/result_file.h"
