// The speaker's baffle as the plate model's outline.
#include "api/fp_environment.h"
#include "opbaff/speaker.h"

namespace opbaff {
namespace {

Result<PlateOutline, PlateError> outlineOf(const SpeakerBaffle& b) {
    if (b.isPolygon) return PlateOutline::polygon(b.polygonM);
    switch (b.corners) {
        case SpeakerBaffle::Corners::chamfered:
            return PlateOutline::chamferedRectangle(b.widthM, b.heightM, b.cornerSizeM);
        case SpeakerBaffle::Corners::rounded:
            return PlateOutline::roundedRectangle(b.widthM, b.heightM, b.cornerSizeM);
        case SpeakerBaffle::Corners::square:
            break;
    }
    return PlateOutline::rectangle(b.widthM, b.heightM);
}

}  // namespace

Result<PlateOutline, SpeakerFailure> speakerOutline(const SpeakerBaffle& baffle) {
    const ExactEnvironment environment;
    auto outline = outlineOf(baffle);
    if (!outline) return SpeakerFailure{.error = SpeakerError::plate, .plate = outline.error()};
    return std::move(*outline);
}

}  // namespace opbaff
