// A fitted equaliser in the formats the DSPs and equalisers builders use read:
// an Equalizer APO configuration, a CamillaDSP filter section, miniDSP-style
// biquad coefficients per sample rate, and a plain list of the filters.
#pragma once

#include <string>
#include <vector>

#include "opbaff/biquad.h"

namespace opbaff::tools {

struct EqExport {
    std::string fileName;  // "opbaff-eq-apo.txt", ...
    std::string text;
};

// "Preamp: -12.00 dB", then "Filter 1: ON LSC Fc 120.00 Hz Gain 9.50 dB Q 0.707"
// (PK for peaking, HSC, HPQ and LPQ without a gain), one line per filter.
std::string apoText(const std::vector<Filter>& filters, double preampDb);

// A CamillaDSP "filters:" section: one Gain filter "opbaff_preamp", then
// "opbaff_eq_1" ... of type Biquad (Lowshelf, Peaking, Highshelf with freq, q
// and gain; Highpass, Lowpass with freq and q), and the "pipeline" step that
// names them in order, for one channel, as a comment to adapt.
std::string camillaText(const std::vector<Filter>& filters, double preampDb);

// "biquad1,\nb0=...,\nb1=...,\nb2=...,\na1=...,\na2=...\n" per filter at the
// sample rate, a1 and a2 negated as miniDSP's advanced biquad entry takes them:
// y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] + a1 y[n-1] + a2 y[n-2]. A filter the
// rate cannot hold (at or above half of it) is left out; the text then has
// fewer entries.
std::string minidspText(const std::vector<Filter>& filters, double sampleRateHz);

// A tab-separated table: "type\tfrequency_Hz\tgain_dB\tQ" and a row per filter.
std::string filterListText(const std::vector<Filter>& filters);

// All of them: APO, CamillaDSP, miniDSP at 48 and 96 kHz, the list.
std::vector<EqExport> eqExports(const std::vector<Filter>& filters, double preampDb);

}  // namespace opbaff::tools
