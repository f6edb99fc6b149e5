#include "model/edge_geometry.h"

#include <cmath>

namespace opbaff {
namespace {

constexpr Real kEdgeAngleMargin = 1.0e-4F;  // keeps every sine and cosine away from 0

Real rounded(double x) {
    return static_cast<Real>(x);
}

// A direction's sine and cosine, each rounded before use.
struct Direction {
    Real theta;
    Real sine;
    Real cosine;
};

Direction direction(Real theta) {
    const double angle = theta;
    return {theta, rounded(std::sin(angle)), rounded(std::cos(angle))};
}

// How far the ray from the driver centre in direction theta runs before it
// meets the baffle's edge, in metres. Only the top or bottom quotient is
// rounded before the comparison.
Real edgeDistance(Direction ray, Real topDistanceCm, Real bottomDistanceCm, Real sideDistanceCm) {
    const auto [theta, sine, cosine] = ray;
    if (theta > 0) {
        const Real top = rounded(static_cast<double>(topDistanceCm) / sine);
        const double side = static_cast<double>(sideDistanceCm) / cosine;
        return top < side ? rounded(top / 100.0) : rounded(side / 100.0);
    }
    if (theta < 0) {
        const Real bottom = rounded(std::fabs(static_cast<double>(bottomDistanceCm) / sine));
        const double side = std::fabs(static_cast<double>(sideDistanceCm) / cosine);
        return bottom < side ? rounded(bottom / 100.0) : rounded(side / 100.0);
    }
    return rounded(sideDistanceCm / 100.0);
}

// sqrt(a^2 + b^2 [+ c^2]) - L: the square root rounded before the difference.
Real extraOver(Real listenerDistance, double sumOfSquares) {
    return rounded(static_cast<double>(rounded(std::sqrt(sumOfSquares))) - listenerDistance);
}

double square(Real x) {
    return static_cast<double>(x) * x;
}

// Spherical spreading over the rear path, shared among the side's 101 points.
Complex edgeWeight(Real listenerDistance, Real pathDifference) {
    const double distance = listenerDistance;
    return {rounded(distance / (distance + pathDifference) / kEdgePointCount), 0.0F};
}

}  // namespace

EdgeDirections buildEdgeDirections(const ParameterSet& parameters, Real pi) {
    EdgeDirections directions;
    const Real step = rounded(static_cast<double>(pi) / 100);
    auto& angle = directions.edgeAngle;
    angle.front() = rounded(-(static_cast<double>(pi) / 2) + kEdgeAngleMargin);
    for (std::size_t i = 1; i + 1 < angle.size(); ++i) {
        angle[i] = rounded(static_cast<double>(angle[i - 1]) + step);
    }
    angle.back() = rounded(static_cast<double>(pi) / 2 - kEdgeAngleMargin);
    directions.topDistanceCm =
        rounded(static_cast<double>(parameters.baffleHeightCm) - parameters.driverYCm);
    return directions;
}

void computeSideGeometry(const ParameterSet& parameters, const EdgeDirections& directions,
                         Real sideDistanceCm, Real offAxisAngle, SideGeometry& side) {
    const Real distance = parameters.listenerDistanceM;
    const Real driverHeight = rounded(parameters.driverYCm / 100.0);
    // The off-axis listener, in the horizontal plane through the driver centre.
    const Direction listening = direction(offAxisAngle);
    const Real cosAngle = listening.cosine;
    const Real listenerX = rounded(static_cast<double>(listening.sine) * distance);
    const Real listenerZ = rounded(static_cast<double>(cosAngle) * distance);
    const Real listenerY = driverHeight;
    const Real roundRadius = rounded(parameters.roundBaffleDiameterCm / 2.0 / 100.0);

    for (std::size_t i = 0; i < directions.edgeAngle.size(); ++i) {
        const Direction ray = direction(directions.edgeAngle[i]);
        const Real edge =
            edgeDistance(ray, directions.topDistanceCm, parameters.driverYCm, sideDistanceCm);
        const Real edgeX = rounded(static_cast<double>(ray.cosine) * edge);
        const Real edgeY =
            rounded(static_cast<double>(ray.sine) * edge + parameters.driverYCm / 100.0);

        const Real extra = extraOver(distance, square(distance) + square(edge));
        const Real roundExtra = extraOver(distance, square(distance) + square(roundRadius));
        const Real dx = rounded(static_cast<double>(listenerX) - edgeX);
        const Real dy = rounded(static_cast<double>(listenerY) - edgeY);
        const Real offAxisExtra = extraOver(distance, square(dx) + square(dy) + square(listenerZ));

        const Real onAxisPath = rounded(static_cast<double>(edge) + extra);
        const Real roundPath = rounded(static_cast<double>(roundRadius) + roundExtra);
        const Real offAxisPath =
            rounded(static_cast<double>(rounded(static_cast<double>(onAxisPath) + offAxisExtra)) *
                    cosAngle);

        side.pathDifference[i] = onAxisPath;
        side.roundPathDifference[i] = roundPath;
        side.offAxisPathDifference[i] = offAxisPath;
        side.pathWeight[i] = edgeWeight(distance, onAxisPath);
        side.roundPathWeight[i] = edgeWeight(distance, roundPath);
        side.offAxisPathWeight[i] = edgeWeight(distance, offAxisPath);
    }
}

}  // namespace opbaff
