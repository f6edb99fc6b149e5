// Which model computes a tool's responses: the classic one (the program's, the
// default, so that a parameter file gives what opbaff writes) or the accurate
// thin-plate model.
#pragma once

#include <string>

#include "opbaff/response.h"
#include "opbaff/result.h"

namespace opbaff::tools {

enum class ModelChoice { classic, accurate };

// Whether the levels hold the driver's high-pass (the whole response, the
// default) or leave it out (the baffle's own response, baffleOnlyResponse).
enum class DriverHighPass { included, leftOut };

// The response of `design` on `grid` by the chosen model. The classic model
// always gives one; the accurate one refuses designs that are no plate, with
// a sentence naming why ("the accurate model: ...").
Result<Response, std::string> responseOn(ModelChoice model, const Design& design,
                                         const FrequencyGrid& grid,
                                         DriverHighPass highPass = DriverHighPass::included);

// Words for titles and FRD comments: empty for the classic model (the files'
// own model words name it), "accurate model: ..." for the other.
std::string modelChoiceWords(ModelChoice model);

// The same for the high-pass: empty when included, "baffle only: ..." when
// left out; and " (baffle only)" or nothing, for the end of a title.
std::string highPassWords(DriverHighPass highPass);
std::string highPassTitle(DriverHighPass highPass);

// The shape of `design`'s response on `grid` with every level and value NaN:
// a design that has no response on the chosen model keeps its row in a table.
Response responseWithoutLevels(const Design& design, const FrequencyGrid& grid);

}  // namespace opbaff::tools
