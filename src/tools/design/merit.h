// Figures of merit of a response, for comparing designs: the dipole peak, the
// frequencies below it where the response falls 3 and 6 dB under it, and the
// ripple above it.
#pragma once

#include <limits>
#include <vector>

namespace opbaff::tools {

// Responses are judged below this frequency (Hz).
inline constexpr float kMeritLimitHz = 2000.0F;

// Every figure is NaN where it is not defined (no finite level below the limit,
// or a response that never falls 3 or 6 dB under its peak on the grid). Levels
// that are not finite are left out, as if the grid had no point there.
struct FiguresOfMerit {
    // The highest finite level below the limit (the lowest frequency of equal
    // highest levels), and its frequency.
    float peakLevelDb = std::numeric_limits<float>::quiet_NaN();
    float peakFrequencyHz = std::numeric_limits<float>::quiet_NaN();
    // Below the peak: the highest frequency where the level is 3 (6) dB under
    // the peak, interpolated linearly in level against log frequency between
    // the two grid points around it. A grid point exactly 3 (6) dB under the
    // peak is the answer itself.
    double minus3Hz = std::numeric_limits<double>::quiet_NaN();
    double minus6Hz = std::numeric_limits<double>::quiet_NaN();
    // Highest minus lowest level from the peak frequency up to the limit.
    float rippleDb = std::numeric_limits<float>::quiet_NaN();
};

// The figures of one response (levels in dB at ascending frequencies in Hz;
// points beyond the shorter of the two lists are ignored).
FiguresOfMerit figuresOfMerit(const std::vector<float>& frequenciesHz,
                              const std::vector<float>& levelsDb);

}  // namespace opbaff::tools
