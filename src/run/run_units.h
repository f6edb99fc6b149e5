// The two files of a run: the result file on unit 7 and the parameter file
// on unit 9, both in the working directory.
#pragma once

#include "run/units.h"

namespace opbaff {

Unit& resultUnit();     // unit 7, "OPBAFF.bds"
Unit& parameterUnit();  // unit 9, "Opbaffin.txt"

}  // namespace opbaff
