// opbaff: the curves of a loudspeaker's "spin" from its horizontal and vertical
// orbits, as ANSI/CTA-2034-A ("Standard Method of Measurement for In-Home
// Loudspeakers", Consumer Technology Association, 2015) defines them, the
// sound power with the area weights of its Appendix C: the on-axis response,
// the listening window, the early reflections (and their five parts), the
// sound power, the estimated in-room response and the two directivity indices.
// Its groups of angles and the in-room estimate come from A. Devantier,
// "Characterizing the amplitude response of loudspeaker systems", 113th AES
// Convention, paper 5638, 2002.
//
// Every average is an energy average: the levels are turned into squared
// pressures, averaged, and turned back into dB. A level of -infinity (no
// pressure) counts as zero pressure; a NaN level makes every curve that
// averages it NaN.
#pragma once

#include <string>
#include <vector>

#include "opbaff/result.h"

namespace opbaff {

// One orbit: the level in dB of a curve at each of its angles (degrees),
// levelsDb[angle][frequency]. The horizontal orbit turns about the vertical
// axis (its sign does not matter: every group holds both sides); the vertical
// orbit is positive upwards, beyond 90 degrees turning over the top to the
// rear, so that both orbits meet at 0 (on axis) and at 180 (straight behind).
struct SpinOrbit {
    std::vector<double> anglesDeg;
    std::vector<std::vector<double>> levelsDb;
};

// What computeSpin needs: the frequencies (Hz, any order; only carried over)
// and the two orbits, each holding at least the angles -170 to 180 degrees in
// steps of 10 (-180 stands for 180; an angle counts within 1e-4 degrees; other
// angles are ignored). Both orbits' 0 and 180 degrees are the same places: the
// horizontal orbit's curves are used there.
struct SpinOrbits {
    std::vector<double> frequenciesHz;
    SpinOrbit horizontal;
    SpinOrbit vertical;
};

// The curves, each a level in dB per frequency of the input.
struct Spin {
    std::vector<double> frequenciesHz;
    std::vector<double> onAxisDb;            // horizontal 0
    std::vector<double> listeningWindowDb;   // 0, vertical +-10, horizontal +-10, +-20, +-30
    std::vector<double> floorBounceDb;       // vertical -20, -30, -40
    std::vector<double> ceilingBounceDb;     // vertical 40, 50, 60
    std::vector<double> frontWallDb;         // horizontal 0, +-10, +-20, +-30
    std::vector<double> sideWallDb;          // horizontal +-40 to +-80
    std::vector<double> rearWallDb;          // horizontal 180, +-90
    std::vector<double> earlyReflectionsDb;  // the five parts above, averaged alike
    std::vector<double> soundPowerDb;        // all 70 places, weighted by their areas
    // 0.12 listening window + 0.44 early reflections + 0.44 sound power, as
    // squared pressures.
    std::vector<double> estimatedInRoomDb;
    std::vector<double> soundPowerDiDb;        // listening window - sound power
    std::vector<double> earlyReflectionsDiDb;  // listening window - early reflections
};

enum class SpinProblem {
    angleMissing,        // an orbit has no curve at an angle the curves need
    curveSizeMismatch,   // a curve's levels are not one per frequency
    angleCountMismatch,  // an orbit's angles and curves are not as many
};

// A short English sentence naming the problem ("an orbit has no curve at an
// angle the spin needs"); never null.
const char* spinProblemText(SpinProblem problem);

enum class SpinPlane { horizontal, vertical };

struct SpinError {
    SpinProblem problem = SpinProblem::angleMissing;
    SpinPlane plane = SpinPlane::horizontal;
    double angleDeg = 0.0;  // the angle missing, or of the curve of the wrong size

    // One sentence: "the vertical orbit has no curve at -30 degrees".
    std::string describe() const;
};

// The spin of the two orbits. Errors: angleMissing (naming the first angle
// missing, horizontal orbit first), curveSizeMismatch, angleCountMismatch.
Result<Spin, SpinError> computeSpin(const SpinOrbits& orbits);

}  // namespace opbaff
