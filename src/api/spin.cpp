#include "opbaff/spin.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <numeric>
#include <optional>

#include "api/fp_environment.h"

namespace opbaff {
namespace {

constexpr double kAngleToleranceDeg = 1e-4;
constexpr int kStepDeg = 10;

// ANSI/CTA-2034-A, Appendix C: the weight of a place at 0, 10, ..., 180 degrees
// from the axis, on either orbit. From 10 to 170 degrees each is the share of
// the sphere's surface nearer to that place than to any other of the 70 (our
// own count over a fine grid of the sphere agrees within 2e-6); the entries
// at 0 and 180 degrees are a quarter of their places' shares.
constexpr std::array<double, 19> kAreaWeights{
    0.000604486, 0.004730189, 0.008955027, 0.012387354, 0.014989611, 0.016868154, 0.018165962,
    0.019006744, 0.019477787, 0.019629373, 0.019477787, 0.019006744, 0.018165962, 0.016868154,
    0.014989611, 0.012387354, 0.008955027, 0.004730189, 0.000604486};

// The in-room estimate's shares of the listening window, the early
// reflections and the sound power (Devantier 2002; the standard).
constexpr double kInRoomListeningWindow = 0.12;
constexpr double kInRoomEarlyReflections = 0.44;
constexpr double kInRoomSoundPower = 0.44;

double squaredPressure(double levelDb) {
    return std::pow(10.0, levelDb / 10.0);
}
double levelOf(double squared) {
    return 10.0 * std::log10(squared);
}

// The curves of both orbits at the angles -170 to 180 (index (angle + 170) / 10).
struct Places {
    std::array<const std::vector<double>*, 36> horizontal{};
    std::array<const std::vector<double>*, 36> vertical{};

    const std::vector<double>& at(SpinPlane plane, int angleDeg) const {
        const auto index = static_cast<std::size_t>((angleDeg + 170) / kStepDeg);
        return *(plane == SpinPlane::horizontal ? horizontal : vertical)[index];
    }
};

// The index of `angleDeg` (-180 standing for 180) among -170..180, or nothing
// when it is not one of them.
std::optional<std::size_t> placeIndex(double angleDeg) {
    const double angle = angleDeg < -175.0 ? angleDeg + 360.0 : angleDeg;
    const double steps = std::round(angle / kStepDeg);
    if (std::fabs(angle - steps * kStepDeg) > kAngleToleranceDeg) return std::nullopt;
    if (steps < -17.0 || steps > 18.0) return std::nullopt;
    return static_cast<std::size_t>(steps + 17.0);
}

std::optional<SpinError> findPlaces(const SpinOrbit& orbit, SpinPlane plane, std::size_t size,
                                    std::array<const std::vector<double>*, 36>& found) {
    if (orbit.anglesDeg.size() != orbit.levelsDb.size()) {
        return SpinError{SpinProblem::angleCountMismatch, plane, 0.0};
    }
    for (std::size_t k = 0; k < orbit.anglesDeg.size(); ++k) {
        const auto index = placeIndex(orbit.anglesDeg[k]);
        if (!index || found[*index] != nullptr) continue;
        if (orbit.levelsDb[k].size() != size) {
            return SpinError{SpinProblem::curveSizeMismatch, plane, orbit.anglesDeg[k]};
        }
        found[*index] = &orbit.levelsDb[k];
    }
    for (std::size_t index = 0; index < found.size(); ++index) {
        if (found[index] == nullptr) {
            return SpinError{SpinProblem::angleMissing, plane,
                             static_cast<double>(static_cast<int>(index) * kStepDeg - 170)};
        }
    }
    return std::nullopt;
}

struct Place {
    SpinPlane plane;
    int angleDeg;
};

// The mean squared pressure of the places at frequency i.
double meanSquared(const Places& places, std::initializer_list<Place> group, std::size_t i) {
    const double sum = std::accumulate(group.begin(), group.end(), 0.0, [&](double s, Place p) {
        return s + squaredPressure(places.at(p.plane, p.angleDeg)[i]);
    });
    return sum / static_cast<double>(group.size());
}

constexpr SpinPlane kH = SpinPlane::horizontal;
constexpr SpinPlane kV = SpinPlane::vertical;

// The weighted mean squared pressure of the 70 places: the horizontal orbit's
// 36 and the vertical orbit's 34 other than 0 and 180.
double soundPowerSquared(const Places& places, std::size_t i) {
    double sum = 0.0;
    double weights = 0.0;
    for (int angle = -170; angle <= 180; angle += kStepDeg) {
        const double w = kAreaWeights[static_cast<std::size_t>(std::abs(angle) / kStepDeg)];
        sum += w * squaredPressure(places.at(kH, angle)[i]);
        weights += w;
        if (angle == 0 || angle == 180) continue;
        sum += w * squaredPressure(places.at(kV, angle)[i]);
        weights += w;
    }
    return sum / weights;
}

// The curves at frequency i.
void addFrequency(const Places& p, std::size_t i, Spin& spin) {
    const double listening = meanSquared(p,
                                         {{kH, 0},
                                          {kV, 10},
                                          {kV, -10},
                                          {kH, 10},
                                          {kH, -10},
                                          {kH, 20},
                                          {kH, -20},
                                          {kH, 30},
                                          {kH, -30}},
                                         i);
    const double floor = meanSquared(p, {{kV, -20}, {kV, -30}, {kV, -40}}, i);
    const double ceiling = meanSquared(p, {{kV, 40}, {kV, 50}, {kV, 60}}, i);
    const double front =
        meanSquared(p, {{kH, 0}, {kH, 10}, {kH, -10}, {kH, 20}, {kH, -20}, {kH, 30}, {kH, -30}}, i);
    const double side = meanSquared(p,
                                    {{kH, 40},
                                     {kH, -40},
                                     {kH, 50},
                                     {kH, -50},
                                     {kH, 60},
                                     {kH, -60},
                                     {kH, 70},
                                     {kH, -70},
                                     {kH, 80},
                                     {kH, -80}},
                                    i);
    const double rear = meanSquared(p, {{kH, 180}, {kH, 90}, {kH, -90}}, i);
    const double early = (floor + ceiling + front + side + rear) / 5.0;
    const double power = soundPowerSquared(p, i);
    const double inRoom = kInRoomListeningWindow * listening + kInRoomEarlyReflections * early +
                          kInRoomSoundPower * power;
    spin.onAxisDb.push_back(p.at(kH, 0)[i]);
    spin.listeningWindowDb.push_back(levelOf(listening));
    spin.floorBounceDb.push_back(levelOf(floor));
    spin.ceilingBounceDb.push_back(levelOf(ceiling));
    spin.frontWallDb.push_back(levelOf(front));
    spin.sideWallDb.push_back(levelOf(side));
    spin.rearWallDb.push_back(levelOf(rear));
    spin.earlyReflectionsDb.push_back(levelOf(early));
    spin.soundPowerDb.push_back(levelOf(power));
    spin.estimatedInRoomDb.push_back(levelOf(inRoom));
    spin.soundPowerDiDb.push_back(levelOf(listening) - levelOf(power));
    spin.earlyReflectionsDiDb.push_back(levelOf(listening) - levelOf(early));
}

}  // namespace

const char* spinProblemText(SpinProblem problem) {
    switch (problem) {
        case SpinProblem::angleMissing:
            return "an orbit has no curve at an angle the spin needs";
        case SpinProblem::curveSizeMismatch:
            return "a curve does not hold one level per frequency";
        case SpinProblem::angleCountMismatch:
            return "an orbit does not hold one curve per angle";
    }
    return "unknown spin problem";
}

std::string SpinError::describe() const {
    const ExactEnvironment environment;
    const char* orbit =
        plane == SpinPlane::horizontal ? "the horizontal orbit" : "the vertical orbit";
    std::array<char, 48> angle{};
    std::snprintf(angle.data(), angle.size(), "%.6g", angleDeg);
    switch (problem) {
        case SpinProblem::angleMissing:
            return std::string(orbit) + " has no curve at " + angle.data() + " degrees";
        case SpinProblem::curveSizeMismatch:
            return std::string(orbit) + ": the curve at " + angle.data() +
                   " degrees does not hold one level per frequency";
        case SpinProblem::angleCountMismatch:
            return std::string(orbit) + " does not hold one curve per angle";
    }
    return spinProblemText(problem);
}

Result<Spin, SpinError> computeSpin(const SpinOrbits& orbits) {
    const ExactEnvironment environment;
    const std::size_t size = orbits.frequenciesHz.size();
    Places places;
    if (auto problem = findPlaces(orbits.horizontal, kH, size, places.horizontal)) return *problem;
    if (auto problem = findPlaces(orbits.vertical, kV, size, places.vertical)) return *problem;
    Spin spin;
    spin.frequenciesHz = orbits.frequenciesHz;
    for (std::size_t i = 0; i < size; ++i) addFrequency(places, i, spin);
    return spin;
}

}  // namespace opbaff
