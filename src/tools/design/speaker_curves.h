// A speaker file's speaker heard by the tools: its model on its own grid, its
// drivers and their sum on axis at the listening distance, its two orbits at
// the spin's angles, and a curve of values as an FRD text.
#pragma once

#include <complex>
#include <string>
#include <vector>

#include "opbaff/result.h"
#include "opbaff/speaker.h"
#include "polar.h"

namespace opbaff::tools {

// The speaker solved on its own grid ([grid] of its file), or the model's
// refusal in a sentence naming the driver to blame.
Result<SpeakerModel, std::string> speakerModelOnItsGrid(const Speaker& speaker);

// Heard on axis (0 degrees both ways) at the listening distance, about the
// reference point.
Result<SpeakerResponse, std::string> speakerOnAxis(const SpeakerModel& model);

// 20 log10 |v| of each value (-inf for 0), as floats.
std::vector<float> levelsDbOf(const std::vector<std::complex<double>>& values);

// Both orbits at the listening distance about the reference point, at
// `anglesDeg` each: horizontal angles positive towards +x (180 behind),
// vertical ones positive upwards, beyond 90 turning over the top (or under the
// bottom) to the rear. Each set's onAxisDb is the sum at 0 degrees. Angles
// are heard on `jobs` threads.
Result<PlatePolarSets, std::string> speakerOrbits(const SpeakerModel& model,
                                                  const std::vector<float>& anglesDeg, int jobs);

}  // namespace opbaff::tools
