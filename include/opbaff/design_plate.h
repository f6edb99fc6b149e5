// opbaff: a design heard on the accurate thin-plate model (opbaff/thin_plate.h),
// as a Response with the classic model's columns, so that a program can offer
// both models on the same parameter file.
//
// The design's rectangle is a thin rigid plate, its round baffle a regular
// polygon centred on the driver; the driver is a point source on each face (the
// rear at the design's rear level, of opposite sign). The listener stands
// listenerDistanceM from the driver centre. Levels are in dB relative to the same
// driver on an infinite baffle, like the classic model's: they include the
// driver's high-pass by its magnitude (driverHighPass), and with the piston
// factor on, the far-field directivity of a rigid piston in an infinite baffle,
// 2 J1(ka sin t) / (ka sin t) at the angle t from the driver's axis (Rayleigh,
// "The Theory of Sound", vol. 2, sect. 302). The classic model's other
// empirical factors (the rear phase factor, the piston factor on axis) are not
// part of this model. The complex values hold the plate's transfer function
// times that directivity, without the high-pass, as ResponseColumn describes, so
// that phaseDegrees and responsePhaseDegrees apply unchanged.
#pragma once
#include <memory>
#include <vector>

#include "opbaff/design.h"
#include "opbaff/response.h"
#include "opbaff/result.h"
#include "opbaff/thin_plate.h"

namespace opbaff {

// How the design is turned into plates.
struct DesignPlateOptions {
    PlateAccuracy accuracy{};
    // Sides of the polygon standing in for the round baffle (3 to 256), of the
    // circle's area. accuracy.minPointsPerEdge holds for its outline as a whole,
    // as for a rectangle's four edges (at least 2 per side).
    int roundBaffleSides = 24;
};

// The response of `design` on the accurate model, with the columns of its
// classic model (responseKinds(design.model)):
//   - rectangular designs: the rectangular plate on axis, the round plate on
//     axis, the rectangular plate at offAxisAngleDeg in the horizontal plane
//     (positive towards side 1, as in the classic model), and the classic
//     model's noPath column unchanged (sources with no baffle are no plate);
//   - single-path designs: the round plate on axis with the design's rear level,
//     the round plate on axis with a rear source of full level, and the classic
//     model's referenceLevel and noPath columns unchanged.
// Errors: driverOffPlate (the driver outside the rectangle or on its border),
// sizeNotPositive (a baffle, diameter or distance <= 0), valueNotFinite,
// frequencyNotPositive, gridSizeOutOfRange; outlineTooFewCorners when
// roundBaffleSides is out of range.
Result<Response, PlateError> computePlateResponse(
    const Design& design, const FrequencyGrid& grid = FrequencyGrid::standard(),
    const DesignPlateOptions& options = {});

// The design's rectangular plate with its driver solved on a grid, to be heard
// from many directions at the cost of listening only (a polar set).
class DesignPlate {
  public:
    // Errors as computePlateResponse's, for the rectangle.
    static Result<DesignPlate, PlateError> create(const Design& design, const FrequencyGrid& grid,
                                                  const DesignPlateOptions& options = {});

    // The rectangle heard listenerDistanceM from the driver centre, at
    // `horizontalDeg` (positive towards side 1; 180 is straight behind) and
    // `verticalDeg` (positive upwards, -90 to 90). The column's kind is
    // rectangularOffAxis. Errors: valueNotFinite, listenerOnPlate.
    Result<ResponseColumn, PlateError> listen(double horizontalDeg, double verticalDeg) const;

    const std::vector<float>& frequenciesHz() const;

    struct State;

  private:
    explicit DesignPlate(std::shared_ptr<const State> state) : state_(std::move(state)) {}
    std::shared_ptr<const State> state_;
};

}  // namespace opbaff
