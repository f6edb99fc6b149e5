#include "speaker_curves.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "parallel.h"

namespace opbaff::tools {
namespace {

// Where angle `angleDeg` of an orbit lies, as a listener about the reference.
PlateListener orbitListener(double distanceM, PolarPlane plane, double angleDeg) {
    if (plane == PolarPlane::horizontal) return {distanceM, angleDeg, 0.0};
    const bool behind = std::fabs(angleDeg) > 90.0;
    return {distanceM, behind ? 180.0 : 0.0,
            behind ? std::copysign(180.0 - std::fabs(angleDeg), angleDeg) : angleDeg};
}

Result<PolarSet, std::string> orbit(const SpeakerModel& model, PolarPlane plane,
                                    const std::vector<float>& anglesDeg,
                                    const std::vector<float>& onAxisDb, int jobs) {
    const std::size_t count = anglesDeg.size();
    std::vector<SpeakerResponse> heard(count);
    std::vector<std::string> problems(count);
    const double distanceM = model.speaker().listeningDistanceM;
    runParallel(count, jobs, [&](std::size_t i) {
        auto response = model.listen(orbitListener(distanceM, plane, anglesDeg[i]));
        if (response) {
            heard[i] = std::move(*response);
        } else {
            problems[i] = "the speaker at " + angleText(anglesDeg[i]) +
                          " degrees: " + speakerFailureText(model.speaker(), response.error());
        }
    });
    const auto problem = std::find_if(problems.begin(), problems.end(),
                                      [](const std::string& p) { return !p.empty(); });
    if (problem != problems.end()) return *problem;
    PolarSet set;
    set.anglesDeg = anglesDeg;
    set.frequenciesHz = model.frequenciesHz();
    set.onAxisDb = onAxisDb;
    for (const SpeakerResponse& response : heard) {
        set.levelsDb.push_back(levelsDbOf(response.sum));
        set.values.emplace_back(response.sum.begin(), response.sum.end());
    }
    return set;
}

}  // namespace

Result<SpeakerModel, std::string> speakerModelOnItsGrid(const Speaker& speaker) {
    const auto grid = FrequencyGrid::perOctave(speaker.grid);
    if (!grid) return std::string("the speaker's grid: ") + errorText(grid.error());
    auto model = SpeakerModel::create(speaker, *grid);
    if (!model) return speakerFailureText(speaker, model.error());
    return std::move(model).value();
}

Result<SpeakerResponse, std::string> speakerOnAxis(const SpeakerModel& model) {
    auto response = model.listen(PlateListener{model.speaker().listeningDistanceM, 0.0, 0.0});
    if (!response) return speakerFailureText(model.speaker(), response.error());
    return std::move(response).value();
}

std::vector<float> levelsDbOf(const std::vector<std::complex<double>>& values) {
    std::vector<float> levels(values.size());
    std::transform(values.begin(), values.end(), levels.begin(), [](std::complex<double> value) {
        return static_cast<float>(20.0 * std::log10(std::abs(value)));
    });
    return levels;
}

Result<PlatePolarSets, std::string> speakerOrbits(const SpeakerModel& model,
                                                  const std::vector<float>& anglesDeg, int jobs) {
    const auto onAxis = speakerOnAxis(model);
    if (!onAxis) return onAxis.error();
    const std::vector<float> onAxisDb = levelsDbOf(onAxis->sum);
    auto horizontal = orbit(model, PolarPlane::horizontal, anglesDeg, onAxisDb, jobs);
    if (!horizontal) return horizontal.error();
    auto vertical = orbit(model, PolarPlane::vertical, anglesDeg, onAxisDb, jobs);
    if (!vertical) return vertical.error();
    return PlatePolarSets{std::move(*horizontal), std::move(*vertical)};
}

}  // namespace opbaff::tools
