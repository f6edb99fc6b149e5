// opbaff: the accurate model of an open baffle, a thin rigid flat plate with
// drivers on it, by edge diffraction of every order.
//
// The plate lies in the plane z = 0 and has zero thickness; its front face looks
// towards +z. Coordinates are in metres: x to the right and y upwards as seen
// from the front. Its outline is a convex polygon. A driver is a point source on
// the front face and, optionally, one of opposite sign on the rear face at the
// same point. The listener may be anywhere off the plate, in front or behind.
//
// The result is the complex pressure relative to the same drivers' front sources
// on an infinite baffle heard at the same place (p / sum of 2 g exp(-jkr) / r, time
// factor exp(+jwt), so a positive phase leads): it tends to 1 (0 dB) on axis at
// high frequencies. It comes with its parts: the geometrical sound, the
// first-order diffraction at the edges, and the higher orders (edge to edge).
#pragma once

#include <complex>
#include <cstddef>
#include <memory>
#include <vector>

#include "opbaff/response.h"
#include "opbaff/result.h"

namespace opbaff {

// The errors of the thin-plate model.
enum class PlateError {
    outlineTooFewCorners,  // an outline of fewer than 3 corners
    outlineNotConvex,      // corners not in anticlockwise convex order, or a zero-length side
    valueNotFinite,        // a coordinate, size, level or speed that is NaN or infinite
    sizeNotPositive,       // a width, height, radius, corner size or speed of sound <= 0
    driverOffPlate,        // a driver outside the outline or on its border
    listenerOnPlate,       // a listener on the plate itself (z = 0 inside the outline)
    noDriver,              // a response asked for with no driver
    frequencyNotPositive,  // a frequency 0, negative or not finite
    gridSizeOutOfRange,    // no frequency, or more than kMaxGridPoints
};

// A short English sentence naming the error; never null.
const char* plateErrorText(PlateError error);

// A point in the plate's plane, in metres.
struct PlatePoint {
    double x = 0.0;
    double y = 0.0;
};

// A point in space, in metres (z > 0 in front of the plate).
struct SpacePoint {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// A convex polygon, corners anticlockwise as seen from the front.
class PlateOutline {
  public:
    // The given corners. Errors: outlineTooFewCorners, valueNotFinite,
    // outlineNotConvex (clockwise, reflex or repeated corners; three corners in a
    // line are allowed and merged).
    static Result<PlateOutline, PlateError> polygon(std::vector<PlatePoint> corners);
    // A widthM x heightM rectangle with its lower left corner at (0, 0).
    static Result<PlateOutline, PlateError> rectangle(double widthM, double heightM);
    // The same rectangle with each corner cut off at 45 degrees, chamferM along each
    // side (0 <= chamferM < half the shorter side; 0 gives the rectangle).
    static Result<PlateOutline, PlateError> chamferedRectangle(double widthM, double heightM,
                                                               double chamferM);
    // The same rectangle with corners rounded to radiusM (0 <= radiusM <= half the
    // shorter side), each arc a polygon of `segmentsPerCorner` sides (1 to 64).
    static Result<PlateOutline, PlateError> roundedRectangle(double widthM, double heightM,
                                                             double radiusM,
                                                             int segmentsPerCorner = 4);
    // A regular polygon of `sides` sides (3 to 256), corners on a circle of
    // circumradiusM about `centre`, one corner straight below the centre; it stands
    // in for a round plate.
    static Result<PlateOutline, PlateError> regularPolygon(int sides, double circumradiusM,
                                                           PlatePoint centre = {});

    const std::vector<PlatePoint>& corners() const { return corners_; }
    // True if p lies strictly inside (not on the border).
    bool containsStrictly(PlatePoint p) const;

  private:
    explicit PlateOutline(std::vector<PlatePoint> corners) : corners_(std::move(corners)) {}
    std::vector<PlatePoint> corners_;
};

// A driver: a point source of strength frontGain on the front face at `position`
// and, if rearOn, one of strength -frontGain * 10^(rearLevelDb / 20) on the rear
// face at the same point.
struct PlateDriver {
    PlatePoint position;
    double frontGain = 1.0;
    double rearLevelDb = 0.0;
    bool rearOn = true;
};

// Where the listener is, seen from a reference point on the plate: distanceM
// (> 0), horizontalDeg (positive towards +x; 180 is straight behind) and
// verticalDeg (positive upwards, -90 to 90).
struct PlateListener {
    double distanceM = 2.0;
    double horizontalDeg = 0.0;
    double verticalDeg = 0.0;
};

// The listener's position in space for a reference point on the plate.
SpacePoint listenerPosition(PlatePoint reference, const PlateListener& listener);

// How finely the edges are discretised for the higher orders and how many orders
// are summed. The defaults are converged to about 0.05 dB (see the README).
struct PlateAccuracy {
    double pointsPerWavelength = 3.0;  // Gauss points per wavelength on every edge
    int minPointsPerEdge = 8;          // the floor at low frequencies
    int maxOrder = 40;                 // the highest diffraction order summed (>= 1)
    double orderTolerance = 1e-4;      // stop when an order adds less than this, relative
};

// A response and its parts, each relative to the infinite baffle (see above).
struct PlateResponse {
    std::vector<double> frequenciesHz;
    std::vector<std::complex<double>> total;
    std::vector<std::complex<double>> geometrical;   // direct sound (and its image)
    std::vector<std::complex<double>> firstOrder;    // first-order edge diffraction
    std::vector<std::complex<double>> higherOrders;  // diffraction of order 2 and more
    std::vector<int> ordersSummed;                   // per frequency, the orders the sum reached
};

class PlateSolution;
class PlateListenerSolution;

// A plate: its outline, the speed of sound and the accuracy. It keeps the
// outline's edge discretisation, computed once per frequency band and reused by
// every driver and listener, and a workspace for the solves. Use one object from
// one thread at a time (copies share nothing that changes: only the grids, which
// never change once made).
class ThinPlate {
  public:
    ThinPlate(const ThinPlate& other);
    ThinPlate& operator=(const ThinPlate& other);
    ThinPlate(ThinPlate&&) noexcept = default;
    ThinPlate& operator=(ThinPlate&&) noexcept = default;
    ~ThinPlate() = default;

    // Errors: valueNotFinite, sizeNotPositive (speed of sound <= 0 or an accuracy
    // value out of range).
    static Result<ThinPlate, PlateError> create(PlateOutline outline,
                                                double speedOfSoundMPerS = 344.0,
                                                PlateAccuracy accuracy = {});

    const PlateOutline& outline() const;
    double speedOfSound() const;
    const PlateAccuracy& accuracy() const;

    // The edge signals of `drivers` on `frequenciesHz`: the costly step, redone
    // when a driver moves. Errors: noDriver, driverOffPlate, valueNotFinite,
    // frequencyNotPositive, gridSizeOutOfRange.
    Result<PlateSolution, PlateError> solve(const std::vector<PlateDriver>& drivers,
                                            const std::vector<double>& frequenciesHz);
    Result<PlateSolution, PlateError> solve(const std::vector<PlateDriver>& drivers,
                                            const FrequencyGrid& grid);

    // The plate solved for one listener instead of for drivers: by reciprocity
    // the edge waves that reach `listener`, so that any drivers anywhere on the
    // plate are then heard there without a solve (PlateListenerSolution::hear).
    // It costs as much as solving two sets of drivers (one for the front face,
    // one for the rear); what a drag of a driver needs. Errors: valueNotFinite,
    // listenerOnPlate, frequencyNotPositive, gridSizeOutOfRange.
    Result<PlateListenerSolution, PlateError> solveForListener(
        SpacePoint listener, const std::vector<double>& frequenciesHz);

    // solve, then listen at one place.
    Result<PlateResponse, PlateError> response(const std::vector<PlateDriver>& drivers,
                                               const std::vector<double>& frequenciesHz,
                                               SpacePoint listener);

    struct State;

  private:
    explicit ThinPlate(std::shared_ptr<State> state) : state_(std::move(state)) {}
    std::shared_ptr<State> state_;
};

// The drivers' edge signals on a grid; listening anywhere is then cheap.
class PlateSolution {
  public:
    // The response at `listener`. Errors: valueNotFinite, listenerOnPlate.
    Result<PlateResponse, PlateError> listen(SpacePoint listener) const;

    struct Data;
    explicit PlateSolution(std::shared_ptr<const Data> data) : data_(std::move(data)) {}

  private:
    std::shared_ptr<const Data> data_;
};

// One listener's edge waves on a grid; hearing any drivers there is then cheap:
// per frequency one pass of each driver's sources over the pairs of edge points
// (the first-order edge signals), and no iteration over the orders.
class PlateListenerSolution {
  public:
    // The response of `drivers` at the listener, as PlateSolution::listen gives
    // it (the same parts; ordersSummed are the orders of the listener's solve).
    // Errors: noDriver, driverOffPlate, valueNotFinite.
    Result<PlateResponse, PlateError> hear(const std::vector<PlateDriver>& drivers) const;

    SpacePoint listener() const;

    struct Data;
    explicit PlateListenerSolution(std::shared_ptr<const Data> data) : data_(std::move(data)) {}

  private:
    std::shared_ptr<const Data> data_;
};

}  // namespace opbaff
