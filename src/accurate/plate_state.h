// What a plate, a drivers' solution and a listener's solution hold, shared by
// the solves (thin_plate.cpp) and the listening (plate_listening.cpp), with the
// checks of their inputs.
#pragma once

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "accurate/edge_grid.h"
#include "accurate/edge_orders.h"
#include "accurate/gauss_legendre.h"
#include "accurate/plate_geometry.h"
#include "opbaff/thin_plate.h"

namespace opbaff {

struct ThinPlate::State {
    PlateOutline outline;
    double speedOfSound = 344.0;
    PlateAccuracy accuracy;
    std::vector<accurate::Edge> edges;
    accurate::GaussRule panelRule;
    std::map<std::vector<int>, std::shared_ptr<const accurate::EdgeGrid>> grids;
    accurate::Workspace workspace;  // kept between solves, so that it is allocated once
    accurate::KeptHops hops;
};

struct PlateSolution::Data {
    PlateOutline outline;
    std::vector<accurate::Edge> edges;
    accurate::GaussRule panelRule;
    double speedOfSound = 344.0;
    std::vector<PlateDriver> drivers;
    std::vector<double> frequencies;
    std::vector<std::shared_ptr<const accurate::EdgeGrid>> grids;  // per frequency
    std::vector<std::size_t> offsets;                              // into the incoming signals
    // Per frequency [w * N + x]: the wave arriving at x from w (all orders), for the
    // drivers' front sources and for their rear sources (as front sources). The
    // rear ones are left empty when they are rearRatio times the front ones.
    std::vector<accurate::Wave> incomingFront, incomingRear;
    double rearRatio = 0.0;
    std::vector<int> orders;
};

struct PlateListenerSolution::Data {
    PlateOutline outline;
    std::vector<accurate::Edge> edges;
    accurate::GaussRule panelRule;
    double speedOfSound = 344.0;
    SpacePoint listener;
    std::vector<double> frequencies;
    std::vector<std::shared_ptr<const accurate::EdgeGrid>> grids;  // per frequency
    std::vector<std::size_t> offsets;                              // into the weights
    // Per frequency [x * N + y]: how the listener hears the first-order edge
    // signal leaving x towards y, with every order after it, of sources on the
    // front face and of sources on the rear face (as front sources). Empty in the
    // plane beyond the outline, where the edges are not heard.
    std::vector<accurate::Wave> front, rear;
    std::vector<int> orders;
};

namespace accurate {

constexpr double kBandBaseHz = 100.0;

// The half-octave band of frequency f, counted from kBandBaseHz (0 below it).
inline int bandOf(double f) {
    return std::max(0, static_cast<int>(std::ceil(2.0 * std::log2(f / kBandBaseHz))));
}

// The gains of the drivers' front-face and rear-face sources.
struct FaceGains {
    std::vector<double> front, rear;
};

// The gains of `drivers`. Errors: noDriver, valueNotFinite, driverOffPlate.
Result<FaceGains, PlateError> faceGains(const PlateOutline& outline,
                                        const std::vector<PlateDriver>& drivers);

// Within a nanometre of the plane, rounding decides the faces' zones (the
// geometrical sound's boundary on z's sign, the edge waves' apex terms on z's
// size) inconsistently, as at the 1.2e-16 m that a listening angle of 90
// degrees gives: such a listener is heard a nanometre off the plane on its own
// side, where the response has reached its limit at the plane. A listener on
// the plate itself, or on its border, is refused.
// Errors: valueNotFinite, listenerOnPlate.
Result<SpacePoint, PlateError> checkListener(const PlateOutline& outline,
                                             const std::vector<Edge>& edges, SpacePoint listener);

}  // namespace accurate
}  // namespace opbaff
