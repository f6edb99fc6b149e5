// A speaker's curve (opbaff/speaker.h) as an FRD file, with the remarks that
// say where it was heard and what its phase is relative to.
#pragma once

#include <complex>
#include <string>
#include <vector>

#include "opbaff/speaker.h"

namespace opbaff::tools {

// The remarks of a speaker's curve: `what` (the curve and where it was
// heard), the program and `source`, the phase convention, the reference
// point's coordinates and the listening distance.
std::vector<std::string> speakerRemarks(const Speaker& speaker, const std::string& what,
                                        double distanceM, const std::string& source);

// `remarks` as "* " lines, then one line per frequency: the frequency
// ("%.9g", the float's own digits), the level 20 log10 |p| in dB with six
// decimals and the phase arg p in degrees with six, within (-180, 180]:
// enough for the complex values to be summed again from the files to within
// 0.001 dB unless the sum lies 60 dB below its parts. A frequency whose value is zero or not finite
// is left out and counted in a remark.
std::string speakerFrdText(const std::vector<float>& frequenciesHz,
                           const std::vector<std::complex<double>>& values,
                           const std::vector<std::string>& remarks);

}  // namespace opbaff::tools
