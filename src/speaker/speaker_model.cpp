// Several drivers on one plate. Each driver is solved on its own (the plate
// model is linear, so the speaker is the sum of its drivers), and heard as
//   T_i (r_ref / r_i) exp(-jk (r_i - r_ref)) D_i R_i F_i
// relative to a unit point source on an infinite baffle at the reference
// point: T_i is the plate's transfer function relative to driver i on an
// infinite baffle heard at the same place (2 exp(-jk r_i) / r_i), D_i the
// piston's directivity, R_i the driver's own response and F_i its chain of
// filters with its gain, polarity and delay, each driver then times the
// speaker's own chain G (its EQ), which thus multiplies the sum. Time factor
// exp(+jwt).
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <set>
#include <string>

#include "api/fp_environment.h"
#include "opbaff/speaker.h"
#include "speaker/driver_response.h"

namespace opbaff {

struct SpeakerModel::State {
    Speaker speaker;
    std::vector<float> frequenciesHz;
    std::vector<double> frequencies;       // the same, widened for the plate
    ThinPlate plate;                       // kept for withDriverMoved and withSpeaker
    std::vector<PlateSolution> solutions;  // per driver
    std::vector<std::vector<std::complex<double>>> chains;  // per driver: R_i F_i G
};

namespace {

using Values = std::vector<std::complex<double>>;

SpeakerFailure failure(SpeakerError error, std::size_t driver) {
    return SpeakerFailure{.error = error, .driver = static_cast<std::ptrdiff_t>(driver)};
}

SpeakerFailure plateFailure(PlateError error, std::ptrdiff_t driver = -1) {
    return SpeakerFailure{.error = SpeakerError::plate, .driver = driver, .plate = error};
}

bool finitePoint(PlatePoint p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

std::optional<SpeakerFailure> checkSpeaker(const Speaker& s) {
    if (s.drivers.empty()) return SpeakerFailure{.error = SpeakerError::noDriver};
    std::set<std::string> names;
    for (std::size_t i = 0; i < s.drivers.size(); ++i) {
        if (!names.insert(s.drivers[i].name).second) {
            return failure(SpeakerError::driverNameRepeated, i);
        }
    }
    if (!finitePoint(s.referenceM) || !std::isfinite(s.listeningDistanceM)) {
        return SpeakerFailure{.error = SpeakerError::valueNotFinite};
    }
    if (!(s.listeningDistanceM > 0.0))
        return SpeakerFailure{.error = SpeakerError::sizeNotPositive};
    return std::nullopt;
}

std::optional<SpeakerFailure> checkDriver(const SpeakerDriver& d, std::size_t index) {
    for (const double value :
         {d.centreM.x, d.centreM.y, d.pistonDiameterM, d.rearLevelDb, d.gainDb, d.delayMs}) {
        if (!std::isfinite(value)) return failure(SpeakerError::valueNotFinite, index);
    }
    if (d.pistonDiameterM < 0.0) return failure(SpeakerError::sizeNotPositive, index);
    return std::nullopt;
}

// R_i F_i on the grid: everything of driver i that does not depend on where it
// is or where it is heard.
Result<Values, SpeakerFailure> chainOf(const SpeakerDriver& d, std::size_t index,
                                       const std::vector<float>& frequenciesHz) {
    const auto blamed = [index](SpeakerFailure f) {
        f.driver = static_cast<std::ptrdiff_t>(index);
        return f;
    };
    auto own = speaker::driverOwnResponse(d.response, frequenciesHz);
    if (!own) return blamed(own.error());
    auto filters = driverFilterResponse(d, frequenciesHz);
    if (!filters) return blamed(filters.error());
    for (std::size_t i = 0; i < own->size(); ++i) (*own)[i] *= (*filters)[i];
    return std::move(*own);
}

Result<PlateSolution, SpeakerFailure> solveDriver(ThinPlate& plate, const SpeakerDriver& d,
                                                  std::size_t index,
                                                  const std::vector<double>& frequencies) {
    PlateDriver source;
    source.position = d.centreM;
    source.frontGain = 1.0;
    source.rearOn = d.rearOn;
    source.rearLevelDb = d.rearLevelDb;
    auto solution = plate.solve({source}, frequencies);
    if (!solution) return plateFailure(solution.error(), static_cast<std::ptrdiff_t>(index));
    return std::move(*solution);
}

// The far-field directivity of a rigid circular piston in an infinite baffle,
// 2 J1(x) / x with x = k a sin t (Rayleigh, The Theory of Sound, vol. 2, sect.
// 302). t is taken from the front axis in front of the baffle and from the rear
// axis behind it, so that the rear radiates as a piston too: sin t is the same
// either way.
double pistonDirectivity(double k, double radiusM, double sinAngle) {
    const double x = k * radiusM * sinAngle;
    return x < 1e-6 ? 1.0 : 2.0 * std::cyl_bessel_j(1.0, x) / x;
}

// A driver's values at the listener (d where it is, chain its R_i F_i G, heard
// the plate's response), added to `sum`.
void hearDriver(const SpeakerDriver& d, const Values& chain, double speedOfSound,
                const PlateResponse& heard, SpacePoint listener, double referenceDistanceM,
                Values& values, Values& sum) {
    const double dx = listener.x - d.centreM.x;
    const double dy = listener.y - d.centreM.y;
    const double r = std::sqrt(dx * dx + dy * dy + listener.z * listener.z);
    const double sinAngle = std::sqrt(dx * dx + dy * dy) / r;
    const double radiusM = d.pistonDiameterM / 2.0;
    const double spreading = referenceDistanceM / r;
    values.resize(heard.total.size());
    for (std::size_t j = 0; j < heard.total.size(); ++j) {
        const double k = 2.0 * std::numbers::pi * heard.frequenciesHz[j] / speedOfSound;
        // exp(-jk (r_i - r_ref)): a driver farther away than the reference
        // point lags, as a delay of (r_i - r_ref) / c does.
        const std::complex<double> path = std::polar(spreading, -k * (r - referenceDistanceM));
        values[j] = heard.total[j] * path * pistonDirectivity(k, radiusM, sinAngle) * chain[j];
        sum[j] += values[j];
    }
}

// The speaker checked, and each driver's R_i F_i G on the grid: the first
// fault in the drivers' order, then the speaker's filters.
Result<std::vector<Values>, SpeakerFailure> checkedChains(const Speaker& speaker,
                                                          const std::vector<float>& frequenciesHz) {
    if (auto bad = checkSpeaker(speaker)) return *bad;
    std::vector<Values> chains;
    for (std::size_t i = 0; i < speaker.drivers.size(); ++i) {
        if (auto bad = checkDriver(speaker.drivers[i], i)) return *bad;
        auto chain = chainOf(speaker.drivers[i], i, frequenciesHz);
        if (!chain) return chain.error();
        chains.push_back(std::move(*chain));
    }
    const auto speakerChain = speakerFilterResponse(speaker, frequenciesHz);
    if (!speakerChain) return speakerChain.error();
    for (Values& chain : chains) {
        for (std::size_t j = 0; j < chain.size(); ++j) chain[j] *= (*speakerChain)[j];
    }
    return chains;
}

// True if the plate solve of `now` is that of `was`: the same sources.
bool sameSources(const SpeakerDriver& was, const SpeakerDriver& now) {
    return was.centreM.x == now.centreM.x && was.centreM.y == now.centreM.y &&
           was.rearOn == now.rearOn && was.rearLevelDb == now.rearLevelDb;
}

bool sameCorners(const PlateOutline& a, const PlateOutline& b) {
    return std::equal(a.corners().begin(), a.corners().end(), b.corners().begin(),
                      b.corners().end(),
                      [](PlatePoint p, PlatePoint q) { return p.x == q.x && p.y == q.y; });
}

}  // namespace

Result<SpeakerModel, SpeakerFailure> SpeakerModel::create(const Speaker& speaker,
                                                          const FrequencyGrid& grid,
                                                          const PlateAccuracy& accuracy) {
    const ExactEnvironment environment;
    auto chains = checkedChains(speaker, grid.frequencies());
    if (!chains) return chains.error();
    auto outline = speakerOutline(speaker.baffle);
    if (!outline) return outline.error();
    auto plate = ThinPlate::create(std::move(*outline), speaker.speedOfSoundMPerS, accuracy);
    if (!plate) return plateFailure(plate.error());
    const std::vector<double> frequencies(grid.frequencies().begin(), grid.frequencies().end());
    std::vector<PlateSolution> solutions;
    for (std::size_t i = 0; i < speaker.drivers.size(); ++i) {
        auto solution = solveDriver(*plate, speaker.drivers[i], i, frequencies);
        if (!solution) return solution.error();
        solutions.push_back(std::move(*solution));
    }
    return SpeakerModel(std::make_shared<const State>(
        State{speaker, grid.frequencies(), frequencies, std::move(*plate), std::move(solutions),
              std::move(*chains)}));
}

Result<SpeakerModel, SpeakerFailure> SpeakerModel::withSpeaker(const Speaker& speaker) const {
    const ExactEnvironment environment;
    const State& s = *state_;
    const auto outline = speakerOutline(speaker.baffle);
    if (!outline || !sameCorners(*outline, s.plate.outline()) ||
        speaker.speedOfSoundMPerS != s.speaker.speedOfSoundMPerS ||
        speaker.drivers.size() != s.speaker.drivers.size()) {
        return SpeakerFailure{.error = SpeakerError::otherPlate};
    }
    auto chains = checkedChains(speaker, s.frequenciesHz);
    if (!chains) return chains.error();
    auto next = std::make_shared<State>(
        State{speaker, s.frequenciesHz, s.frequencies, s.plate, {}, std::move(*chains)});
    for (std::size_t i = 0; i < speaker.drivers.size(); ++i) {
        if (sameSources(s.speaker.drivers[i], speaker.drivers[i])) {
            next->solutions.push_back(s.solutions[i]);
            continue;
        }
        auto solution = solveDriver(next->plate, speaker.drivers[i], i, next->frequencies);
        if (!solution) return solution.error();
        next->solutions.push_back(std::move(*solution));
    }
    return SpeakerModel(std::move(next));
}

namespace {

std::optional<SpeakerFailure> checkListener(const PlateListener& listener) {
    if (!std::isfinite(listener.distanceM) || !std::isfinite(listener.horizontalDeg) ||
        !std::isfinite(listener.verticalDeg)) {
        return plateFailure(PlateError::valueNotFinite);
    }
    if (!(listener.distanceM > 0.0)) return SpeakerFailure{.error = SpeakerError::sizeNotPositive};
    return std::nullopt;
}

}  // namespace

Result<SpeakerResponse, SpeakerFailure> SpeakerModel::listen(const PlateListener& listener) const {
    if (auto bad = checkListener(listener)) return *bad;
    return listen(listenerPosition(state_->speaker.referenceM, listener));
}

Result<SpeakerResponse, SpeakerFailure> SpeakerModel::listen(SpacePoint listener) const {
    const ExactEnvironment environment;
    const State& s = *state_;
    const double rx = listener.x - s.speaker.referenceM.x;
    const double ry = listener.y - s.speaker.referenceM.y;
    const double referenceDistanceM = std::sqrt(rx * rx + ry * ry + listener.z * listener.z);
    if (!std::isfinite(referenceDistanceM)) return plateFailure(PlateError::valueNotFinite);
    if (!(referenceDistanceM > 0.0)) return SpeakerFailure{.error = SpeakerError::sizeNotPositive};
    SpeakerResponse response;
    response.frequenciesHz = s.frequenciesHz;
    response.sum.assign(s.frequenciesHz.size(), 0.0);
    response.drivers.resize(s.solutions.size());
    for (std::size_t i = 0; i < s.solutions.size(); ++i) {
        auto heard = s.solutions[i].listen(listener);
        if (!heard) return plateFailure(heard.error());  // the listener's fault
        hearDriver(s.speaker.drivers[i], s.chains[i], s.speaker.speedOfSoundMPerS, *heard, listener,
                   referenceDistanceM, response.drivers[i], response.sum);
    }
    return response;
}

Result<SpeakerModel, SpeakerFailure> SpeakerModel::withDriverMoved(std::size_t index,
                                                                   PlatePoint centreM) const {
    const ExactEnvironment environment;
    if (index >= state_->speaker.drivers.size()) return failure(SpeakerError::noDriver, index);
    if (!finitePoint(centreM)) return failure(SpeakerError::valueNotFinite, index);
    auto next = std::make_shared<State>(*state_);
    next->speaker.drivers[index].centreM = centreM;
    auto solution =
        solveDriver(next->plate, next->speaker.drivers[index], index, next->frequencies);
    if (!solution) return solution.error();
    next->solutions[index] = std::move(*solution);
    return SpeakerModel(std::move(next));
}

const Speaker& SpeakerModel::speaker() const {
    return state_->speaker;
}

const std::vector<float>& SpeakerModel::frequenciesHz() const {
    return state_->frequenciesHz;
}

struct SpeakerListeningPlace::State {
    PlateListener listener;
    SpacePoint at;  // in the baffle's frame
    PlatePoint referenceM;
    std::vector<PlatePoint> outline;
    std::vector<double> frequencies;
    PlateAccuracy accuracy;
    double speedOfSound = 344.0;
    PlateListenerSolution reception;
};

namespace {

bool sameAccuracy(const PlateAccuracy& a, const PlateAccuracy& b) {
    return a.pointsPerWavelength == b.pointsPerWavelength &&
           a.minPointsPerEdge == b.minPointsPerEdge && a.maxOrder == b.maxOrder &&
           a.orderTolerance == b.orderTolerance;
}

bool samePoints(const std::vector<PlatePoint>& a, const std::vector<PlatePoint>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](PlatePoint p, PlatePoint q) { return p.x == q.x && p.y == q.y; });
}

}  // namespace

Result<SpeakerListeningPlace, SpeakerFailure> SpeakerListeningPlace::create(
    const SpeakerModel& model, const PlateListener& listener) {
    const ExactEnvironment environment;
    if (auto bad = checkListener(listener)) return *bad;
    const SpeakerModel::State& m = *model.state_;
    const SpacePoint at = listenerPosition(m.speaker.referenceM, listener);
    ThinPlate plate = m.plate;  // its solves change its workspace
    auto reception = plate.solveForListener(at, m.frequencies);
    if (!reception) return plateFailure(reception.error());
    return SpeakerListeningPlace(std::make_shared<const State>(
        State{listener, at, m.speaker.referenceM, plate.outline().corners(), m.frequencies,
              plate.accuracy(), plate.speedOfSound(), std::move(*reception)}));
}

bool SpeakerListeningPlace::serves(const SpeakerModel& model) const {
    const SpeakerModel::State& m = *model.state_;
    const State& s = *state_;
    return s.frequencies == m.frequencies && s.speedOfSound == m.plate.speedOfSound() &&
           sameAccuracy(s.accuracy, m.plate.accuracy()) &&
           samePoints(s.outline, m.plate.outline().corners()) &&
           s.referenceM.x == m.speaker.referenceM.x && s.referenceM.y == m.speaker.referenceM.y;
}

const PlateListener& SpeakerListeningPlace::listener() const {
    return state_->listener;
}

Result<SpeakerResponse, SpeakerFailure> SpeakerListeningPlace::hearWithDriverMoved(
    const SpeakerModel& model, std::size_t index, PlatePoint centreM) const {
    const ExactEnvironment environment;
    const SpeakerModel::State& m = *model.state_;
    const State& s = *state_;
    if (index >= m.speaker.drivers.size()) return failure(SpeakerError::noDriver, index);
    if (!finitePoint(centreM)) return failure(SpeakerError::valueNotFinite, index);
    if (!serves(model)) return SpeakerFailure{.error = SpeakerError::otherPlate};
    SpeakerDriver moved = m.speaker.drivers[index];
    moved.centreM = centreM;
    SpeakerResponse response;
    response.frequenciesHz = m.frequenciesHz;
    response.sum.assign(m.frequenciesHz.size(), 0.0);
    response.drivers.resize(m.solutions.size());
    // As listen takes it, so that the unmoved drivers are heard to the bit alike.
    const double rx = s.at.x - m.speaker.referenceM.x;
    const double ry = s.at.y - m.speaker.referenceM.y;
    const double referenceDistanceM = std::sqrt(rx * rx + ry * ry + s.at.z * s.at.z);
    for (std::size_t i = 0; i < m.solutions.size(); ++i) {
        const bool isMoved = i == index;
        auto heard =
            isMoved ? s.reception.hear({PlateDriver{centreM, 1.0, moved.rearLevelDb, moved.rearOn}})
                    : m.solutions[i].listen(s.at);
        if (!heard) {
            return plateFailure(heard.error(), isMoved ? static_cast<std::ptrdiff_t>(i) : -1);
        }
        hearDriver(isMoved ? moved : m.speaker.drivers[i], m.chains[i], m.speaker.speedOfSoundMPerS,
                   *heard, s.at, referenceDistanceM, response.drivers[i], response.sum);
    }
    return response;
}

}  // namespace opbaff
