// A measured response between its points: level in dB and phase each linear in
// log frequency, the phase unwrapped first so that a wrap from +180 to -180
// degrees between two points is read as the small step it is.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "api/fp_environment.h"
#include "opbaff/speaker.h"

namespace opbaff {
namespace {

// A float grid's ends may round away from the measured ends by this much.
constexpr double kEndSlack = 1e-6;

bool valid(const MeasuredResponse& m) {
    const std::size_t n = m.frequenciesHz.size();
    if (n < 2 || m.levelsDb.size() != n || m.phasesDeg.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(m.frequenciesHz[i]) || !std::isfinite(m.levelsDb[i]) ||
            !std::isfinite(m.phasesDeg[i]) || !(m.frequenciesHz[i] > 0.0)) {
            return false;
        }
        if (i > 0 && !(m.frequenciesHz[i] > m.frequenciesHz[i - 1])) return false;
    }
    return true;
}

// Each phase moved by whole turns to within half a turn of the one before it.
std::vector<double> unwrapped(const std::vector<double>& phasesDeg) {
    std::vector<double> out(phasesDeg.size());
    out[0] = phasesDeg[0];
    for (std::size_t i = 1; i < phasesDeg.size(); ++i) {
        const double step = phasesDeg[i] - phasesDeg[i - 1];
        out[i] = out[i - 1] + (step - 360.0 * std::round(step / 360.0));
    }
    return out;
}

}  // namespace

Result<std::vector<std::complex<double>>, SpeakerFailure> measuredResponseAt(
    const MeasuredResponse& measured, const std::vector<float>& frequenciesHz) {
    const ExactEnvironment environment;
    if (!valid(measured)) return SpeakerFailure{.error = SpeakerError::measuredInvalid};
    const std::vector<double>& fs = measured.frequenciesHz;
    const std::vector<double> phases = unwrapped(measured.phasesDeg);
    std::vector<std::complex<double>> values(frequenciesHz.size());
    for (std::size_t i = 0; i < frequenciesHz.size(); ++i) {
        const double f = frequenciesHz[i];
        if (!(f >= fs.front() * (1.0 - kEndSlack) && f <= fs.back() * (1.0 + kEndSlack))) {
            return SpeakerFailure{.error = SpeakerError::measuredOutOfRange, .frequencyHz = f};
        }
        // The segment [k, k + 1] holding f (the last one for f at or past the end).
        const auto above = std::upper_bound(fs.begin(), fs.end(), f);
        const std::size_t k = std::min<std::size_t>(
            static_cast<std::size_t>(std::max<std::ptrdiff_t>(above - fs.begin(), 1)) - 1,
            fs.size() - 2);
        const double t = std::clamp(std::log(f / fs[k]) / std::log(fs[k + 1] / fs[k]), 0.0, 1.0);
        // (1 - t) a + t b: exactly a at t = 0 and exactly b at t = 1.
        const double levelDb = (1.0 - t) * measured.levelsDb[k] + t * measured.levelsDb[k + 1];
        const double phaseDeg = (1.0 - t) * phases[k] + t * phases[k + 1];
        values[i] = std::polar(std::pow(10.0, levelDb / 20.0), phaseDeg * std::numbers::pi / 180.0);
    }
    return values;
}

}  // namespace opbaff
