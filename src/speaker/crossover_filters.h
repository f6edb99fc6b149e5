// The analog prototypes of a driver's filters, evaluated one frequency at a
// time with nothing allocated.
#pragma once

#include <complex>

#include "opbaff/speaker.h"

namespace opbaff::speaker {

// True if the filter's order, frequency, gain and Q are in range.
bool filterValid(const SpeakerFilter& filter);

// H(j 2 pi f) of a valid filter.
std::complex<double> filterAt(const SpeakerFilter& filter, double frequencyHz);

}  // namespace opbaff::speaker
