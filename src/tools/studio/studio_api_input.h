// What the studio's API reads from a request: the design in its body, and the
// grid, phase, angles, column, band and baffleOnly of its query. Each failure carries the HTTP
// status it answers with and a message naming the field or record.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "check.h"
#include "merit.h"
#include "model_choice.h"
#include "opbaff/design.h"
#include "opbaff/response.h"
#include "phase.h"
#include "studio_api.h"

namespace opbaff::tools {

struct ApiError {
    int status = 400;
    std::string message;
};

struct PostedDesign {
    Design design;
    // For a parameter file's text, how its records were read (check.h
    // recordNotes); none for a JSON design.
    std::vector<Note> recordNotes;
};

// The media type of a Content-Type header in lower case, without its
// parameters: "application/json" of "Application/JSON; charset=utf-8".
std::string mediaType(std::string_view contentType);

// The design of a body: a JSON design (application/json) or a parameter
// file's text (text/plain), read exactly as the program reads Opbaffin.txt.
// 415 for any other Content-Type, 400 for a body that does not read.
Result<PostedDesign, ApiError> readPostedDesign(std::string_view contentType,
                                                std::string_view body);

// ?grid=standard (the default) or ?grid=N, 1 to 96 points per octave.
Result<FrequencyGrid, ApiError> gridParameter(const QueryParams& query);
// ?baffleOnly=0 (the default: the whole response) or ?baffleOnly=1 (the
// driver's high-pass left out, baffleOnlyResponse).
Result<DriverHighPass, ApiError> baffleOnlyParameter(const QueryParams& query);
// ?phase=driver (the default) or ?phase=baffle; with the high-pass left out
// only baffle, which is then the default.
Result<PhaseMode, ApiError> phaseParameter(const QueryParams& query,
                                           DriverHighPass highPass = DriverHighPass::included);
// ?band=FROM:TO in Hz (default 200:2000), the passband of the figures of merit.
Result<MeritBand, ApiError> bandParameter(const QueryParams& query);
// ?model=classic (the default) or ?model=accurate.
Result<ModelChoice, ApiError> modelParameter(const QueryParams& query);
// ?angles=FROM:TO:STEP (default -90:90:5), at most kMaxAnglesPerRequest.
Result<std::vector<float>, ApiError> anglesParameter(const QueryParams& query);
// ?column=NAME: a response column of the model (response_columns.h), required.
Result<std::size_t, ApiError> columnParameter(const QueryParams& query, Model model);

}  // namespace opbaff::tools
