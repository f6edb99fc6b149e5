#include "tools/studio_api.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>

#include "opbaff/opbaff.h"
#include "tools/check.h"
#include "tools/frd.h"
#include "tools/parameter_source.h"
#include "tools/response_columns.h"
#include "tools/studio_api_input.h"
#include "tools/studio_api_output.h"
#include "tools/studio_assets.h"
#include "tools/studio_json_writer.h"

namespace opbaff::tools {
namespace {

// How a text body's records were read, then the notes on the design, whose
// last counts the rows of `response` without finite levels.
std::vector<Note> allNotes(const PostedDesign& posted, const Response& response) {
    std::vector<Note> notes = posted.recordNotes;
    const std::vector<Note> design = designNotes(posted.design, response);
    notes.insert(notes.end(), design.begin(), design.end());
    return notes;
}

StudioReply jsonReply(std::string body) {
    return {200, "application/json", std::move(body), {}, {}};
}

StudioReply failure(const ApiError& error) {
    return errorReply(error.status, error.message);
}

StudioReply attachment(std::string text, std::string fileName) {
    return {200, "text/plain; charset=utf-8", std::move(text), std::move(fileName), {}};
}

StudioReply answerDesign(const StudioRequest&, const StudioSettings& settings) {
    std::error_code ignored;
    if (!std::filesystem::exists(settings.parameterFile, ignored)) {
        return jsonReply(startingDesignJson(Design{}, "example", ""));
    }
    const auto file = loadParameterFile(settings.parameterFile);
    if (!file) return jsonReply(startingDesignJson(Design{}, "example", file.error()));
    return jsonReply(startingDesignJson(file->design, settings.parameterFile, ""));
}

StudioReply answerResponse(const StudioRequest& request, const StudioSettings&) {
    const auto posted = readPostedDesign(request.contentType, request.body);
    if (!posted) return failure(posted.error());
    const auto grid = gridParameter(request.query);
    if (!grid) return failure(grid.error());
    const auto phase = phaseParameter(request.query);
    if (!phase) return failure(phase.error());
    const Response response = computeResponse(posted->design, *grid);
    return jsonReply(responseJson(posted->design, response, *phase, allNotes(*posted, response)));
}

StudioReply answerPolar(const StudioRequest& request, const StudioSettings& settings) {
    const auto posted = readPostedDesign(request.contentType, request.body);
    if (!posted) return failure(posted.error());
    const auto grid = gridParameter(request.query);
    if (!grid) return failure(grid.error());
    const auto angles = anglesParameter(request.query);
    if (!angles) return failure(angles.error());
    if (posted->design.model != Model::rectangular) {
        return errorReply(422, "polar: the " + std::string(modelName(posted->design.model)) +
                                   " model has no directivity; only the rectangular model has");
    }
    const auto set = computePolarSet(posted->design, *grid, *angles, settings.polarJobs);
    if (!set) return errorReply(422, "polar: " + set.error());
    return jsonReply(polarJson(*set));
}

StudioReply answerCheck(const StudioRequest& request, const StudioSettings&) {
    const auto posted = readPostedDesign(request.contentType, request.body);
    if (!posted) return failure(posted.error());
    return jsonReply(notesJson(allNotes(*posted, computeResponse(posted->design))));
}

StudioReply answerParameterFile(const StudioRequest& request, const StudioSettings&) {
    const auto posted = readPostedDesign(request.contentType, request.body);
    if (!posted) return failure(posted.error());
    auto text = writeParameterText(posted->design);
    if (!text) return errorReply(400, errorText(text.error()));
    return attachment(std::move(text).value(), "Opbaffin.txt");
}

StudioReply answerFrd(const StudioRequest& request, const StudioSettings&) {
    const auto posted = readPostedDesign(request.contentType, request.body);
    if (!posted) return failure(posted.error());
    const Design& design = posted->design;
    const auto column = columnParameter(request.query, design.model);
    if (!column) return failure(column.error());
    const auto grid = gridParameter(request.query);
    if (!grid) return failure(grid.error());
    const auto phase = phaseParameter(request.query);
    if (!phase) return failure(phase.error());
    const std::vector<OutputColumn> columns = outputColumns(design);
    const auto chosen = std::find_if(columns.begin(), columns.end(),
                                     [&](const OutputColumn& c) { return c.index == *column; });
    if (chosen == columns.end()) return errorReply(400, "column: no response in that column");
    const Response response = computeResponse(design, *grid);
    const auto comments = frdComments(chosen->description, design, "the studio");
    return attachment(frdText(response, *column, design, *phase, comments), chosen->fileName);
}

struct Route {
    std::string_view path;
    std::string_view method;
    StudioReply (*answer)(const StudioRequest&, const StudioSettings&);
};

constexpr std::array<Route, 6> kRoutes{{
    {"/api/design", "GET", answerDesign},
    {"/api/response", "POST", answerResponse},
    {"/api/polar", "POST", answerPolar},
    {"/api/check", "POST", answerCheck},
    {"/api/parameter-file", "POST", answerParameterFile},
    {"/api/frd", "POST", answerFrd},
}};

bool isGet(std::string_view method) {
    return method == "GET" || method == "HEAD";
}

StudioReply wrongMethod(const StudioRequest& request, std::string allow) {
    StudioReply reply = errorReply(
        405, request.method + " is not allowed on " + request.path + " (allowed: " + allow + ")");
    reply.allow = std::move(allow);
    return reply;
}

StudioReply answerFile(const StudioRequest& request) {
    const EmbeddedFile* file = findEmbeddedFile(request.path);
    if (file == nullptr) return errorReply(404, "nothing at " + request.path);
    if (!isGet(request.method)) return wrongMethod(request, "GET, HEAD");
    return {200, std::string(contentTypeOf(file->path)), std::string(file->content), {}, {}};
}

}  // namespace

StudioReply errorReply(int status, const std::string& message) {
    JsonWriter writer(message.size() + 16);
    writer.beginObject().key("error").value(message).endObject();
    return {status, "application/json", writer.take(), {}, {}};
}

StudioReply answerRequest(const StudioRequest& request, const StudioSettings& settings) {
    for (const Route& route : kRoutes) {
        if (request.path != route.path) continue;
        const bool allowed =
            route.method == "GET" ? isGet(request.method) : request.method == route.method;
        if (!allowed) {
            return wrongMethod(request, route.method == "GET" ? "GET, HEAD" : "POST");
        }
        return route.answer(request, settings);
    }
    if (request.path.starts_with("/api/")) return errorReply(404, "no API at " + request.path);
    return answerFile(request);
}

}  // namespace opbaff::tools
