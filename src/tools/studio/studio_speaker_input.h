// What POST /api/speaker reads: a speaker file's text (text/plain), or JSON
// {"speaker": TEXT, "frd": {"name.frd": TEXT, ...}} that also carries the FRD
// files its measured drivers name; and the query's changes to it: a driver
// moved, the baffle's rectangle, the grid's points per octave, the angle step
// of the directivity.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "opbaff/result.h"
#include "opbaff/speaker.h"
#include "studio_api.h"

namespace opbaff::tools {

// The most FRD files one request carries (all within the body's limit).
inline constexpr std::size_t kMaxFrdFilesPerRequest = 8;

// Why a posted speaker is refused: a status and a message; a file that does
// not read also names its line, column and key (422).
struct SpeakerInputError {
    int status = 400;
    std::string message;
    bool fromFile = false;  // line, column and key below are the file's
    int line = 0;
    int column = 0;
    std::string key;
};

struct PostedSpeaker {
    Speaker speaker;
    FrequencyGrid grid;
    GridRequest gridRequest;  // what made `grid`: the file's band at the points asked for
    // The FRD texts the request carried, name and text each ended by a NUL:
    // two requests of the same file text but other FRD data differ here.
    std::string frdSignature;
    std::optional<double> angleStepDeg;  // ?directivity=STEP: the sum round both planes
};

// The speaker of `request` with the query's changes applied, on its grid.
//   ?grid=N          N points per octave over the file's band (default: the file's)
//   ?move=I:X:Y      driver I (from 0) at (X, Y) cm on the baffle
//   ?baffle=W:H:CORNERS:SIZE  a W x H cm rectangle, corners square, chamfered or
//                    rounded, of SIZE cm
//   ?directivity=STEP  the sum's horizontal and vertical directivity from -180
//                    to 180 degrees at STEP degrees (2 to 180, dividing 180);
//                    `stepParameter` names another parameter for the step
Result<PostedSpeaker, SpeakerInputError> readPostedSpeaker(
    const StudioRequest& request, const std::string& stepParameter = "directivity");

}  // namespace opbaff::tools
