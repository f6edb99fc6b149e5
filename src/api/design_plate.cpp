#include "opbaff/design_plate.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace opbaff {
namespace {

constexpr double kSoundSpeedMPerS = 344.0;  // the classic model's speed of sound

bool finite(const Design& d) {
    for (const float value : {d.baffleHeightCm, d.baffleWidthCm, d.driverXCm, d.driverYCm,
                              d.driverDiameterCm, d.resonanceHz, d.qualityFactor,
                              d.listenerDistanceM, d.roundBaffleDiameterCm, d.offAxisAngleDeg}) {
        if (!std::isfinite(value)) return false;
    }
    return true;
}

PlateDriver driverAt(PlatePoint position, double rearLevelDb) {
    PlateDriver driver;
    driver.position = position;
    driver.rearLevelDb = rearLevelDb;
    return driver;
}

double rearLevelDb(const Design& d) {
    return d.rearLevel == RearLevel::half ? 20.0 * std::log10(0.5) : 0.0;
}

std::vector<double> widened(const std::vector<float>& frequenciesHz) {
    return {frequenciesHz.begin(), frequenciesHz.end()};
}

// The far-field directivity of a rigid circular piston in an infinite baffle,
// 2 J1(x) / x with x = k a sin t (Rayleigh, The Theory of Sound, vol. 2,
// sect. 302); t is the angle from the axis, given by its cosine.
double pistonDirectivity(double frequencyHz, double diameterM, double cosAngle) {
    const double sinAngle = std::sqrt(std::max(0.0, 1.0 - cosAngle * cosAngle));
    const double x = 2.0 * std::numbers::pi * frequencyHz / kSoundSpeedMPerS *
                     (std::abs(diameterM) / 2.0) * sinAngle;
    return x < 1e-6 ? 1.0 : 2.0 * std::cyl_bessel_j(1.0, x) / x;
}

// A column from the plate's transfer function heard at a direction whose cosine
// from the driver's axis is cosAngle (1 on axis).
ResponseColumn columnOf(ResponseKind kind, const Design& design, const PlateResponse& heard,
                        double cosAngle) {
    ResponseColumn column;
    column.kind = kind;
    const std::size_t n = heard.frequenciesHz.size();
    column.levelsDb.resize(n);
    column.values.resize(n);
    const double diameterM = design.driverDiameterCm / 100.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double f = heard.frequenciesHz[i];
        const double piston = design.pistonFactor == PistonFactor::on
                                  ? pistonDirectivity(f, diameterM, cosAngle)
                                  : 1.0;
        const std::complex<double> value = heard.total[i] * piston;
        column.values[i] = std::complex<float>(value);
        column.levelsDb[i] = static_cast<float>(
            20.0 * std::log10(std::abs(driverHighPass(design, f)) * std::abs(value)));
    }
    return column;
}

// The round baffle as a regular polygon of the circle's area, centred on the
// driver at the origin.
Result<PlateOutline, PlateError> roundOutline(const Design& d, int sides) {
    if (sides < 3 || sides > 256) return PlateError::outlineTooFewCorners;
    const double radiusM = d.roundBaffleDiameterCm / 200.0;
    if (!(radiusM > 0.0)) return PlateError::sizeNotPositive;
    const double angle = 2.0 * std::numbers::pi / sides;
    const double equalArea = std::sqrt(angle / std::sin(angle));
    return PlateOutline::regularPolygon(sides, radiusM * equalArea);
}

// The round plate heard on axis with a rear source at rearDb.
Result<ResponseColumn, PlateError> roundColumn(ResponseKind kind, const Design& d,
                                               const std::vector<double>& frequencies,
                                               const DesignPlateOptions& options, double rearDb) {
    auto outline = roundOutline(d, options.roundBaffleSides);
    if (!outline) return outline.error();
    // The floor of points per edge is meant for a rectangle's four edges: on the
    // polygon it holds for the outline as a whole (a 40 cm plate heard on axis:
    // 24 sides with 2 points each come within 0.05 dB of 48 sides with 8).
    PlateAccuracy accuracy = options.accuracy;
    accuracy.minPointsPerEdge =
        std::max(2, (4 * accuracy.minPointsPerEdge + options.roundBaffleSides - 1) /
                        options.roundBaffleSides);
    auto plate = ThinPlate::create(std::move(*outline), kSoundSpeedMPerS, accuracy);
    if (!plate) return plate.error();
    auto heard = plate->response({driverAt({0.0, 0.0}, rearDb)}, frequencies,
                                 SpacePoint{0.0, 0.0, d.listenerDistanceM});
    if (!heard) return heard.error();
    return columnOf(kind, d, *heard, 1.0);
}

}  // namespace

struct DesignPlate::State {
    Design design;
    PlatePoint driver;
    std::vector<float> frequenciesHz;
    PlateSolution solution;
};

Result<DesignPlate, PlateError> DesignPlate::create(const Design& design, const FrequencyGrid& grid,
                                                    const DesignPlateOptions& options) {
    if (!finite(design)) return PlateError::valueNotFinite;
    if (!(design.listenerDistanceM > 0.0F)) return PlateError::sizeNotPositive;
    auto outline =
        PlateOutline::rectangle(design.baffleWidthCm / 100.0, design.baffleHeightCm / 100.0);
    if (!outline) return outline.error();
    auto plate = ThinPlate::create(std::move(*outline), kSoundSpeedMPerS, options.accuracy);
    if (!plate) return plate.error();
    const PlatePoint driver{design.driverXCm / 100.0, design.driverYCm / 100.0};
    auto solution = plate->solve({driverAt(driver, rearLevelDb(design))}, grid);
    if (!solution) return solution.error();
    return DesignPlate(std::make_shared<const State>(
        State{design, driver, grid.frequencies(), std::move(*solution)}));
}

Result<ResponseColumn, PlateError> DesignPlate::listen(double horizontalDeg,
                                                       double verticalDeg) const {
    if (!std::isfinite(horizontalDeg) || !std::isfinite(verticalDeg)) {
        return PlateError::valueNotFinite;
    }
    const Design& d = state_->design;
    PlateListener listener;
    listener.distanceM = d.listenerDistanceM;
    listener.horizontalDeg = horizontalDeg;
    listener.verticalDeg = verticalDeg;
    auto heard = state_->solution.listen(listenerPosition(state_->driver, listener));
    if (!heard) return heard.error();
    const double toRadians = std::numbers::pi / 180.0;
    // The driver's axis is the plate's normal: cos t = cos h cos v.
    const double cosAngle = std::cos(horizontalDeg * toRadians) * std::cos(verticalDeg * toRadians);
    return columnOf(ResponseKind::rectangularOffAxis, d, *heard, cosAngle);
}

const std::vector<float>& DesignPlate::frequenciesHz() const {
    return state_->frequenciesHz;
}

Result<Response, PlateError> computePlateResponse(const Design& design, const FrequencyGrid& grid,
                                                  const DesignPlateOptions& options) {
    if (!finite(design)) return PlateError::valueNotFinite;
    if (!(design.listenerDistanceM > 0.0F)) return PlateError::sizeNotPositive;
    const Response classic = computeResponse(design, grid);
    Response response = classic;
    const std::vector<double> frequencies = widened(grid.frequencies());
    if (design.model == Model::rectangular) {
        auto plate = DesignPlate::create(design, grid, options);
        if (!plate) return plate.error();
        auto onAxis = plate->listen(0.0, 0.0);
        if (!onAxis) return onAxis.error();
        onAxis->kind = ResponseKind::rectangularOnAxis;
        auto round =
            roundColumn(ResponseKind::roundBaffleOnAxis, design, frequencies, options, 0.0);
        if (!round) return round.error();
        auto offAxis = plate->listen(design.offAxisAngleDeg, 0.0);
        if (!offAxis) return offAxis.error();
        response.columns[0] = std::move(*onAxis);
        response.columns[1] = std::move(*round);
        response.columns[2] = std::move(*offAxis);
        return response;
    }
    auto full = roundColumn(ResponseKind::singlePathFullRear, design, frequencies, options,
                            rearLevelDb(design));
    if (!full) return full.error();
    auto bare = roundColumn(ResponseKind::singlePathBareRear, design, frequencies, options, 0.0);
    if (!bare) return bare.error();
    response.columns[0] = std::move(*full);
    response.columns[1] = std::move(*bare);
    return response;
}

}  // namespace opbaff
