// Between the parameter file's three-character codes and the design's choices.
#pragma once

#include "model/parameter_set.h"
#include "model/run_constants.h"
#include "opbaff/design.h"

namespace opbaff {

// The codes a parameter file holds, compared as the program compares them:
// "r"/"R" rectangular, "u"/"U" half delay, "n" rear phase off, "y" piston on,
// "d" half rear level; any other code chooses the other branch. The first
// record is not part of a design.
Design designOf(const ParameterSet& parameters);

// The parameter set the model runs on: the design's values, one canonical code
// per choice (the codes writeParameterText writes), and the listening angle in
// radians as the reader converts it.
ParameterSet parameterSetOf(const Design& design, const RunConstants& constants);

// The canonical code of each choice: "r", "s" or "u"; "y" or "n"; "y" or "n";
// "f" or "d".
const char* modelCodeOf(Model model);
const char* rearPhaseCodeOf(RearPhaseFactor factor);
const char* pistonCodeOf(PistonFactor factor);
const char* rearLevelCodeOf(RearLevel level);

}  // namespace opbaff
