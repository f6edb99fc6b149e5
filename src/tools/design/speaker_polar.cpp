#include "speaker_polar.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>

#include "parallel.h"
#include "spin_curves.h"

namespace opbaff::tools {

PlateListener polarListener(PolarPlane plane, float angleDeg, double distanceM) {
    const double angle = angleDeg;
    if (plane == PolarPlane::horizontal) return {distanceM, angle, 0.0};
    const bool behind = std::fabs(angle) > 90.0;
    return {distanceM, behind ? 180.0 : 0.0,
            behind ? std::copysign(180.0 - std::fabs(angle), angle) : angle};
}

const std::vector<std::complex<double>>& SpeakerPolar::curveOf(const SpeakerResponse& heard,
                                                               std::size_t curve) {
    return curve < heard.drivers.size() ? heard.drivers[curve] : heard.sum;
}

namespace {

bool samePlace(const PlateListener& a, const PlateListener& b) {
    return a.distanceM == b.distanceM && a.horizontalDeg == b.horizontalDeg &&
           a.verticalDeg == b.verticalDeg;
}

// The places of both planes, each heard once: the vertical plane's 0 and
// +-180 degrees are the horizontal plane's 0 and 180. `placeOf[i]` is the
// index of angle i's place, the horizontal angles first.
struct Places {
    std::vector<PlateListener> listeners;
    std::vector<std::size_t> placeOf;
};

Places placesOf(double distanceM, const std::vector<float>& horizontalDeg,
                const std::vector<float>& verticalDeg) {
    Places places;
    const auto add = [&](PolarPlane plane, float angle) {
        const PlateListener listener = polarListener(plane, angle, distanceM);
        const auto same =
            std::find_if(places.listeners.begin(), places.listeners.end(),
                         [&](const PlateListener& l) { return samePlace(l, listener); });
        places.placeOf.push_back(static_cast<std::size_t>(same - places.listeners.begin()));
        if (same == places.listeners.end()) places.listeners.push_back(listener);
    };
    for (const float angle : horizontalDeg) add(PolarPlane::horizontal, angle);
    for (const float angle : verticalDeg) add(PolarPlane::vertical, angle);
    return places;
}

// The places heard, in order, or nullopt when `stopped` said so.
using Heard = std::vector<std::optional<Result<SpeakerResponse, SpeakerFailure>>>;
std::optional<Heard> hearPlaces(const SpeakerModel& model, const Places& places, int jobs,
                                const std::function<void(std::size_t, std::size_t)>& progress,
                                const std::function<bool()>& stopped) {
    const std::size_t count = places.listeners.size();
    std::atomic<bool> stop = stopped && stopped();
    Heard heard(count);
    runParallel(
        count, jobs,
        [&](std::size_t i) {
            if (stop) return;
            // A copy of its own for each place: the model is for one thread at
            // a time, and a copy shares its solved plate.
            const SpeakerModel own = model;  // NOLINT(performance-unnecessary-copy-initialization)
            heard[i] = own.listen(places.listeners[i]);
        },
        [&](std::size_t done) {
            if (stopped && !stop && stopped()) stop = true;
            if (progress) progress(done, count);
        });
    if (stop) return std::nullopt;
    return heard;
}

Result<SpeakerPolar, SpeakerFailure> polarOf(const SpeakerModel& model, const Places& places,
                                             const Heard& heard,
                                             const std::vector<float>& horizontalDeg,
                                             const std::vector<float>& verticalDeg) {
    SpeakerPolar polar;
    for (const SpeakerDriver& driver : model.speaker().drivers) {
        polar.driverNames.push_back(driver.name);
    }
    polar.frequenciesHz = model.frequenciesHz();
    polar.horizontalDeg = horizontalDeg;
    polar.verticalDeg = verticalDeg;
    for (std::size_t i = 0; i < places.placeOf.size(); ++i) {
        const auto& place = *heard[places.placeOf[i]];
        if (!place) return place.error();
        auto& plane = i < horizontalDeg.size() ? polar.horizontal : polar.vertical;
        plane.push_back(*place);
    }
    return polar;
}

}  // namespace

Result<SpeakerPolar, SpeakerFailure> computeSpeakerPolar(
    const SpeakerModel& model, double distanceM, const std::vector<float>& horizontalDeg,
    const std::vector<float>& verticalDeg, int jobs,
    const std::function<void(std::size_t, std::size_t)>& progress) {
    const Places places = placesOf(distanceM, horizontalDeg, verticalDeg);
    const auto heard = hearPlaces(model, places, jobs, progress, {});
    return polarOf(model, places, *heard, horizontalDeg, verticalDeg);
}

std::optional<Result<SpeakerPolar, SpeakerFailure>> computeSpeakerPolarUnlessStopped(
    const SpeakerModel& model, double distanceM, const std::vector<float>& horizontalDeg,
    const std::vector<float>& verticalDeg, int jobs, const std::function<bool()>& stopped) {
    const Places places = placesOf(distanceM, horizontalDeg, verticalDeg);
    const auto heard = hearPlaces(model, places, jobs, {}, stopped);
    if (!heard) return std::nullopt;
    return polarOf(model, places, *heard, horizontalDeg, verticalDeg);
}

PolarSet speakerCurveSet(const SpeakerPolar& polar, PolarPlane plane, std::size_t curve) {
    const bool horizontal = plane == PolarPlane::horizontal;
    const std::vector<SpeakerResponse>& heard = horizontal ? polar.horizontal : polar.vertical;
    PolarSet set;
    set.anglesDeg = horizontal ? polar.horizontalDeg : polar.verticalDeg;
    set.frequenciesHz = polar.frequenciesHz;
    for (std::size_t k = 0; k < heard.size(); ++k) {
        std::vector<float> levels;
        std::vector<std::complex<float>> values;
        for (const std::complex<double>& value : SpeakerPolar::curveOf(heard[k], curve)) {
            levels.push_back(static_cast<float>(20.0 * std::log10(std::abs(value))));
            values.emplace_back(value);
        }
        if (set.anglesDeg[k] == 0.0F) set.onAxisDb = levels;
        set.levelsDb.push_back(std::move(levels));
        set.values.push_back(std::move(values));
    }
    return set;
}

Result<Spin, std::string> speakerCurveSpin(const SpeakerPolar& polar, std::size_t curve) {
    const std::vector<float> angles = spinAnglesDeg();
    return spinOfSets(polarSubset(speakerCurveSet(polar, PolarPlane::horizontal, curve), angles),
                      polarSubset(speakerCurveSet(polar, PolarPlane::vertical, curve), angles));
}

}  // namespace opbaff::tools
