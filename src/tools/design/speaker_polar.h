// The directivity of a speaker (opbaff/speaker.h): every driver and the sum
// heard at each angle of the horizontal and the vertical plane about the
// speaker's reference point, as crossover tools import them, and the spin of
// each curve from the same model.
#pragma once

#include <complex>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "opbaff/result.h"
#include "opbaff/speaker.h"
#include "opbaff/spin.h"
#include "polar.h"

namespace opbaff::tools {

// Where the listener is for `angleDeg` of `plane`, `distanceM` from the
// reference point: horizontal angles positive towards +x, beyond 90 behind
// the baffle; vertical angles positive upwards, beyond 90 turning over the
// top (or under the bottom) to the rear, so that both planes meet at 0 and
// at 180.
PlateListener polarListener(PolarPlane plane, float angleDeg, double distanceM);

// Every curve of a speaker at every angle of both planes, as the library's
// SpeakerModel gives them: [angle] one SpeakerResponse (drivers and sum).
struct SpeakerPolar {
    std::vector<std::string> driverNames;
    std::vector<float> frequenciesHz;
    std::vector<float> horizontalDeg;
    std::vector<float> verticalDeg;
    std::vector<SpeakerResponse> horizontal;
    std::vector<SpeakerResponse> vertical;

    // The curves: each driver in the speaker's order, then the sum.
    std::size_t curveCount() const { return driverNames.size() + 1; }
    // Driver `curve`'s values at one place, or the sum's for the last curve.
    static const std::vector<std::complex<double>>& curveOf(const SpeakerResponse& heard,
                                                            std::size_t curve);
};

// The model heard at every angle of both planes, `distanceM` from its
// reference point, on `jobs` threads (each with its own copy of the model);
// a place both planes hold (0 and 180 degrees) is heard once. `progress` is
// called as runParallel calls it, with the places heard and their number.
// Errors: the first failure of SpeakerModel::listen, in the order of the
// angles, horizontal first.
Result<SpeakerPolar, SpeakerFailure> computeSpeakerPolar(
    const SpeakerModel& model, double distanceM, const std::vector<float>& horizontalDeg,
    const std::vector<float>& verticalDeg, int jobs,
    const std::function<void(std::size_t, std::size_t)>& progress = {});

// The same, asking `stopped` whether to go on before the first place and each
// time `progress` would be called (on the calling thread only): nullopt once
// it answers true, the places not begun then left unheard.
std::optional<Result<SpeakerPolar, SpeakerFailure>> computeSpeakerPolarUnlessStopped(
    const SpeakerModel& model, double distanceM, const std::vector<float>& horizontalDeg,
    const std::vector<float>& verticalDeg, int jobs, const std::function<bool()>& stopped);

// One curve of one plane as a polar set: levels in dB (20 log10 |p|, -inf for
// no pressure) and the values rounded to floats; onAxisDb is the curve at 0
// degrees when the plane holds it, else empty.
PolarSet speakerCurveSet(const SpeakerPolar& polar, PolarPlane plane, std::size_t curve);

// The spin of one curve from its orbits at 10 degree steps, which `polar`
// must hold in both planes (withSpinAngles), or what the library refused.
Result<Spin, std::string> speakerCurveSpin(const SpeakerPolar& polar, std::size_t curve);

}  // namespace opbaff::tools
