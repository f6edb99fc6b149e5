// A speaker's FRD sets as `polar SPEAKER.toml` writes them and the studio
// answers them: for each driver and for the sum, "<name> <curve> hor
// <angle>.frd" and "<name> <curve> ver <angle>.frd" at every angle asked
// for, each with its level and phase (speakerFrdText) and the remarks that
// say where it was heard (speakerRemarks). One place names and writes them,
// so the command and the studio give the same files.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "opbaff/result.h"
#include "opbaff/speaker.h"
#include "polar.h"
#include "speaker_polar.h"

namespace opbaff::tools {

// What a speaker's set is named after and made of.
struct SpeakerFrdSet {
    Speaker speaker;
    std::vector<float> horizontalDeg;
    std::vector<float> verticalDeg;
    std::vector<std::string> curveNames;  // each driver's in file names, then "sum"
    std::string name;                     // the files' names begin with it
    std::string source;                   // the speaker file, as the remarks name it
};

// The set of `speaker` at the angles given; `name` empty takes the speaker's
// name made safe for file names ("speaker" when it has none). Errors: two
// drivers whose names would give the same file names, or a driver named as
// the sum would be, in words that say which to rename.
Result<SpeakerFrdSet, std::string> speakerFrdSet(Speaker speaker, std::vector<float> horizontalDeg,
                                                 std::vector<float> verticalDeg, std::string name,
                                                 std::string source);

// "driver "woofer"" or "the summed speaker (...)": curve `curve` in remarks.
std::string speakerCurveWords(const SpeakerFrdSet& set, std::size_t curve);

struct NamedFrd {
    std::string name;
    std::string text;
};

// Curve `curve`'s files, the horizontal plane's then the vertical's, each in
// the order of its angles; `polar` holds every angle of the set (and may hold
// more). Error: a file without a finite line ("NAME: no finite line to
// write").
Result<std::vector<NamedFrd>, std::string> speakerCurveFrdFiles(const SpeakerFrdSet& set,
                                                                const SpeakerPolar& polar,
                                                                std::size_t curve);

}  // namespace opbaff::tools
