#include "studio_api_input.h"

#include <algorithm>
#include <cctype>

#include "grid_option.h"
#include "opbaff/parameter_file.h"
#include "parameter_source.h"
#include "polar.h"
#include "response_columns.h"
#include "studio_design_json.h"

namespace opbaff::tools {
namespace {

// The first value of a query parameter, or `fallback` when it is absent.
std::string parameterOr(const QueryParams& query, const std::string& name,
                        const std::string& fallback) {
    const auto found = query.lower_bound(name);
    return found != query.end() && found->first == name ? found->second : fallback;
}

}  // namespace

std::string mediaType(std::string_view contentType) {
    std::string type(contentType.substr(0, contentType.find(';')));
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::size_t first = type.find_first_not_of(" \t");
    const std::size_t last = type.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : type.substr(first, last - first + 1);
}

Result<PostedDesign, ApiError> readPostedDesign(std::string_view contentType,
                                                std::string_view body) {
    const std::string type = mediaType(contentType);
    if (type == "application/json") {
        auto design = designFromJson(body);
        if (!design) return ApiError{400, design.error()};
        return PostedDesign{*design, {}};
    }
    if (type == "text/plain") {
        const auto file = readParameterText(body);
        if (!file) return ApiError{400, readFailureText("parameter text", file.error(), body)};
        return PostedDesign{file->design, recordNotes(*file)};
    }
    const std::string given = contentType.empty() ? std::string("the request names none")
                                                  : "not '" + std::string(contentType) + "'";
    return ApiError{415,
                    "the body must be a JSON design (Content-Type: application/json) or a "
                    "parameter file's text (text/plain); " +
                        given};
}

Result<FrequencyGrid, ApiError> gridParameter(const QueryParams& query) {
    const std::string text = parameterOr(query, "grid", "standard");
    auto grid = parseGridOption(text);
    if (grid) return std::move(grid).value();
    return ApiError{400, "grid takes 'standard' or a number of points per octave from 1 to " +
                             std::to_string(kMaxGridPointsPerOctave) + ", not '" + text + "'"};
}

Result<DriverHighPass, ApiError> baffleOnlyParameter(const QueryParams& query) {
    const std::string text = parameterOr(query, "baffleOnly", "0");
    if (text == "0") return DriverHighPass::included;
    if (text == "1") return DriverHighPass::leftOut;
    return ApiError{400, "baffleOnly takes 0 or 1, not '" + text + "'"};
}

Result<PhaseMode, ApiError> phaseParameter(const QueryParams& query, DriverHighPass highPass) {
    const bool baffleOnly = highPass == DriverHighPass::leftOut;
    const std::string text = parameterOr(query, "phase", baffleOnly ? "baffle" : "driver");
    if (text == "driver" && baffleOnly) {
        return ApiError{400,
                        "phase: with baffleOnly=1 the driver's high-pass is left out, so the "
                        "phase is the baffle's: phase=baffle or none, not 'driver'"};
    }
    if (text == "driver") return PhaseMode::driver;
    if (text == "baffle") return PhaseMode::baffle;
    return ApiError{400, "phase takes 'driver' or 'baffle', not '" + text + "'"};
}

Result<MeritBand, ApiError> bandParameter(const QueryParams& query) {
    auto band = parseMeritBand(parameterOr(query, "band", meritBandText(MeritBand{})));
    if (!band) return ApiError{400, band.error()};
    return *band;
}

Result<ModelChoice, ApiError> modelParameter(const QueryParams& query) {
    const std::string text = parameterOr(query, "model", "classic");
    if (text == "classic") return ModelChoice::classic;
    if (text == "accurate") return ModelChoice::accurate;
    return ApiError{400, "model takes 'classic' or 'accurate', not '" + text + "'"};
}

Result<std::vector<float>, ApiError> anglesParameter(const QueryParams& query) {
    const std::string text = parameterOr(query, "angles", "-90:90:5");
    auto angles = parseAngles(text);
    if (!angles) return ApiError{400, "angles: " + angles.error()};
    if (angles->size() > kMaxAnglesPerRequest) {
        return ApiError{400, "angles: '" + text + "' gives " + std::to_string(angles->size()) +
                                 " angles; the studio computes at most " +
                                 std::to_string(kMaxAnglesPerRequest) + " at a time"};
    }
    return std::move(angles).value();
}

Result<std::size_t, ApiError> columnParameter(const QueryParams& query, Model model) {
    if (query.find("column") == query.end()) {
        return ApiError{400, "column: name the response column (column=1 to 4, or its name)"};
    }
    const auto column = columnByName(model, parameterOr(query, "column", ""));
    if (!column) return ApiError{400, "column: " + column.error()};
    return *column;
}

}  // namespace opbaff::tools
