#include "reference_model.h"

#include <cmath>
#include <numbers>

namespace opbaff::test {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kSoundSpeed = 344.0;

struct Sources {
    double driver;
    Wide front, rear, rearBare;
};

double pistonDirectivity(double x) {
    // J1 is odd, so 2 J1(x) / x is even.
    return 2.0 * std::cyl_bessel_j(1.0, std::fabs(x)) / std::fabs(x);
}

Sources sourcesAt(const Design& d, double f) {
    const double x = f / d.resonanceHz;
    const double highPass = x * x / std::hypot(1.0 - x * x, x / d.qualityFactor);
    const double ka = kPi * f * d.driverDiameterCm / 100.0 / kSoundSpeed;
    const double piston = d.pistonFactor == PistonFactor::on ? pistonDirectivity(ka) : 1.0;
    const double y = f * d.driverDiameterCm / 100.0 / kSoundSpeed;
    const Wide rearPhase =
        d.rearPhaseFactor == RearPhaseFactor::on ? std::polar(1.0, -std::atan(y)) : Wide(1.0);
    const double rearLevel = d.rearLevel == RearLevel::half ? 0.5 : 1.0;
    return {highPass, highPass * piston, -rearLevel * highPass * piston * rearPhase,
            Wide(-rearLevel * highPass)};
}

// e^(-j omega path / c), weighted by the front wave's way over the rear wave's.
Wide delayed(double f, double distance, double path) {
    return std::polar(distance / (distance + path), -2.0 * kPi * f * path / kSoundSpeed);
}

// The rear path to the edge of a round baffle of the given radius and on to the listener.
double roundPath(double radius, double distance) {
    return radius + std::hypot(distance, radius) - distance;
}

double listeningAngle(const Design& d) {
    const double angle = d.offAxisAngleDeg / 180.0 * kPi;
    return std::fabs(angle) < 1e-4 ? 1e-4 : angle;
}

ReferenceValues singlePath(const Design& d, double f, const Sources& s) {
    const double distance = d.listenerDistanceM;
    const double path = roundPath(d.roundBaffleDiameterCm / 200.0, distance);
    const Wide delay = delayed(f, distance, path);
    const Wide frontDelay = d.model == Model::singlePathHalfDelay
                                ? std::polar(1.0, -kPi * f * path / kSoundSpeed)
                                : Wide(1.0);
    return {{s.driver + s.rear * delay, s.driver + s.rearBare * delay, Wide(1e-5),
             s.front * frontDelay + s.rear},
            s.driver + std::abs(s.front) + std::abs(s.rear)};
}

// One side of the rectangular baffle: the three sums over its 101 edge points.
std::array<Wide, 3> rectangularSide(const Design& d, double f, const Sources& s,
                                    double sideDistanceCm, double angle) {
    const double distance = d.listenerDistanceM;
    const double driverY = d.driverYCm / 100.0;
    const double topCm = static_cast<double>(d.baffleHeightCm) - d.driverYCm;
    const double ka = kPi * f * d.driverDiameterCm / 100.0 / kSoundSpeed;
    std::array<Wide, 3> sums = {Wide(s.driver), Wide(s.driver),
                                s.driver * pistonDirectivity(ka * std::sin(angle))};
    const double roundRadius = d.roundBaffleDiameterCm / 200.0;
    const double listenerX = std::sin(angle) * distance;
    const double listenerZ = std::cos(angle) * distance;
    // The model's table: single-precision steps of pi/100 from just above straight down.
    const auto pi = static_cast<float>(kPi);
    float theta = static_cast<float>(-(static_cast<double>(pi) / 2) + 1e-4F);
    for (int i = 0; i < 101; ++i) {
        if (i == 100) theta = static_cast<float>(static_cast<double>(pi) / 2 - 1e-4F);
        const double t = theta;
        const double edgeCm = t > 0 ? std::min(topCm / std::sin(t), sideDistanceCm / std::cos(t))
                                    : std::min(std::fabs(d.driverYCm / std::sin(t)),
                                               std::fabs(sideDistanceCm / std::cos(t)));
        const double edge = edgeCm / 100.0;
        const double onAxis = edge + std::hypot(distance, edge) - distance;
        const double dx = listenerX - std::cos(t) * edge;
        const double dy = driverY - (std::sin(t) * edge + driverY);
        const double offAxisExtra = std::sqrt(dx * dx + dy * dy + listenerZ * listenerZ) - distance;
        const double offAxis = (onAxis + offAxisExtra) * std::cos(angle);
        sums[0] += s.rear * delayed(f, distance, onAxis) / 101.0;
        sums[1] += s.rearBare * delayed(f, distance, roundPath(roundRadius, distance)) / 101.0;
        sums[2] += s.rear * delayed(f, distance, offAxis) / 101.0;
        theta = static_cast<float>(static_cast<double>(theta) + static_cast<float>(pi / 100.0));
    }
    return sums;
}

ReferenceValues rectangular(const Design& d, double f, const Sources& s) {
    const double angle = listeningAngle(d);
    const auto side1 =
        rectangularSide(d, f, s, static_cast<double>(d.baffleWidthCm) - d.driverXCm, angle);
    const auto side2 = rectangularSide(d, f, s, d.driverXCm, -angle);
    return {{(side1[0] + side2[0]) / 2.0, (side1[1] + side2[1]) / 2.0, (side1[2] + side2[2]) / 2.0,
             s.front + s.rear},
            s.driver + std::abs(s.front) + std::abs(s.rear)};
}

}  // namespace

ReferenceValues referenceValues(const Design& design, double f) {
    const Sources s = sourcesAt(design, f);
    return design.model == Model::rectangular ? rectangular(design, f, s)
                                              : singlePath(design, f, s);
}

}  // namespace opbaff::test
