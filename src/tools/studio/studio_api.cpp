#include "studio_api.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <string_view>

#include "check.h"
#include "frd.h"
#include "opbaff/opbaff.h"
#include "parameter_source.h"
#include "polar.h"
#include "response_columns.h"
#include "studio_api_input.h"
#include "studio_api_output.h"
#include "studio_assets.h"
#include "studio_eq_input.h"
#include "studio_json_writer.h"
#include "studio_speaker.h"
#include "studio_speaker_frd.h"

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
    const StartingDesign& start = settings.start;
    return jsonReply(startingDesignJson(start.design, start.source, start.problem));
}

// The polar set a few angles at a time, asking between them whether the
// client still waits; nullopt once it does not.
std::optional<Result<PolarSet, std::string>> polarSetUnlessAbandoned(
    const Design& design, const FrequencyGrid& grid, const std::vector<float>& angles, int jobs,
    const std::function<bool()>& abandoned) {
    if (!abandoned) return computePolarSet(design, grid, angles, jobs);
    // The reference at 0 degrees comes with the first chunk; later chunks
    // compute it again, a small price for an answer that can stop early.
    const std::size_t chunk = static_cast<std::size_t>(std::max(jobs, 1)) * 4;
    std::optional<Result<PolarSet, std::string>> whole;
    for (std::size_t first = 0; first < angles.size(); first += chunk) {
        if (abandoned()) return std::nullopt;
        const auto end =
            angles.begin() + static_cast<std::ptrdiff_t>(std::min(angles.size(), first + chunk));
        auto part = computePolarSet(
            design, grid,
            std::vector<float>(angles.begin() + static_cast<std::ptrdiff_t>(first), end), jobs);
        if (!part) return part;
        if (!whole) {
            whole = std::move(part);
            continue;
        }
        PolarSet& set = whole->value();
        for (std::size_t k = 0; k < part->anglesDeg.size(); ++k) {
            set.anglesDeg.push_back(part->anglesDeg[k]);
            set.levelsDb.push_back(std::move(part->levelsDb[k]));
            set.values.push_back(std::move(part->values[k]));
        }
    }
    return whole;
}

// A 400 when the accurate model would compute more than the studio allows.
std::optional<StudioReply> tooCostly(const std::string& what, const FrequencyGrid& grid,
                                     std::size_t angles) {
    const std::size_t cost = grid.size() * (kAccurateCostPerFrequency + angles);
    if (cost <= kMaxPairsPerRequest) return std::nullopt;
    const std::string most =
        std::to_string(kMaxPairsPerRequest / (kAccurateCostPerFrequency + angles));
    const std::string atAngles =
        angles > 1 ? " at " + std::to_string(angles) + " angles (" + most + " at most)" : "";
    return errorReply(400, what + ": the accurate model computes at most " +
                               std::to_string(kMaxPairsPerRequest / kAccurateCostPerFrequency - 1) +
                               " frequencies at a time in the studio, and fewer at many angles, " +
                               "not " + std::to_string(grid.size()) + atAngles +
                               "; choose the standard grid, fewer points per octave" +
                               (angles > 1 ? " or a larger angle step" : ""));
}

StudioReply answerResponse(const StudioRequest& request, const StudioSettings&) {
    const auto posted = readPostedDesign(request.contentType, request.body);
    if (!posted) return failure(posted.error());
    const auto grid = gridParameter(request.query);
    if (!grid) return failure(grid.error());
    const auto highPass = baffleOnlyParameter(request.query);
    if (!highPass) return failure(highPass.error());
    const auto phase = phaseParameter(request.query, *highPass);
    if (!phase) return failure(phase.error());
    const auto model = modelParameter(request.query);
    if (!model) return failure(model.error());
    const auto band = bandParameter(request.query);
    if (!band) return failure(band.error());
    if (*model == ModelChoice::accurate) {
        if (auto refused = tooCostly("response", *grid, 1)) return *refused;
    }
    const auto response = responseOn(*model, posted->design, *grid, *highPass);
    if (!response) return errorReply(422, "response: " + response.error());
    return jsonReply(responseJson(posted->design, *response, {*phase, *model, *highPass, *band},
                                  allNotes(*posted, *response)));
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
    const auto model = modelParameter(request.query);
    if (!model) return failure(model.error());
    if (*model == ModelChoice::accurate) {
        if (auto refused = tooCostly("polar", *grid, angles->size())) return *refused;
        const auto sets =
            computePlatePolarSets(posted->design, *grid, *angles, {}, settings.polarJobs);
        if (!sets) return errorReply(422, "polar: " + sets.error());
        return jsonReply(polarJson(sets->horizontal));
    }
    const std::size_t pairs = grid->size() * angles->size();
    if (pairs > kMaxPairsPerRequest) {
        return errorReply(400, "polar: " + std::to_string(grid->size()) + " frequencies at " +
                                   std::to_string(angles->size()) + " angles are " +
                                   std::to_string(pairs) + " levels; the studio computes at most " +
                                   std::to_string(kMaxPairsPerRequest) + " at a time");
    }
    const auto set = polarSetUnlessAbandoned(posted->design, *grid, *angles, settings.polarJobs,
                                             request.abandoned);
    if (!set) return errorReply(503, "polar: abandoned, nobody waits for the answer");
    if (!*set) return errorReply(422, "polar: " + set->error());
    return jsonReply(polarJson(set->value()));
}

// The equaliser of a design's response, fitted (or the chain given, measured)
// with the raw and the equalised response.
StudioReply answerEq(const StudioRequest& request, const StudioSettings&) {
    const auto posted = readPostedDesign(request.contentType, request.body);
    if (!posted) return failure(posted.error());
    const auto grid = gridParameter(request.query);
    if (!grid) return failure(grid.error());
    const auto highPass = baffleOnlyParameter(request.query);
    if (!highPass) return failure(highPass.error());
    const auto model = modelParameter(request.query);
    if (!model) return failure(model.error());
    const auto column = eqColumnParameter(request.query, posted->design.model);
    if (!column) return failure(column.error());
    const auto eq = eqQueryParameters(request.query);
    if (!eq) return failure(eq.error());
    if (*model == ModelChoice::accurate) {
        if (auto refused = tooCostly("eq", *grid, 1)) return *refused;
    }
    const auto response = responseOn(*model, posted->design, *grid, *highPass);
    if (!response) return errorReply(422, "eq: " + response.error());
    const ResponseColumn& raw = response->columns[*column];
    const auto fit =
        eq->chain ? measureEqualiser(response->frequenciesHz, raw.levelsDb, eq->request, *eq->chain)
                  : fitEqualiser(response->frequenciesHz, raw.levelsDb, eq->request);
    if (!fit) return errorReply(422, "eq: " + fit.error());
    return jsonReply(eqJson({std::string(responseName(raw.kind)), response->frequenciesHz,
                             raw.levelsDb, eq->request, *fit, !eq->chain}));
}

// A fit weighs kEqFitCostPerFrequency per frequency, a chain given one.
std::size_t eqCostOf(const QueryParams& query, std::size_t frequencies, ModelChoice model) {
    const std::size_t fit = query.count("chain") == 0 ? kEqFitCostPerFrequency : 1;
    const std::size_t solve = model == ModelChoice::accurate ? kAccurateCostPerFrequency : 0;
    return frequencies * (fit + solve);
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

// A read failure as 422 {"error": "parameter file: <what> (record R, line L)",
// "record": R, "line": L}.
// The reader's failure with its place and, when a common slip fits the bytes,
// a hint at it.
StudioReply readFailureReply(const ReadFailure& failure, std::string_view bytes) {
    const std::string message = readFailureText("parameter file", failure, bytes);
    JsonWriter writer(message.size() + 48);
    writer.beginObject().key("error").value(message);
    writer.key("record").value(failure.record).key("line").value(failure.line).endObject();
    return {422, "application/json", writer.take(), {}, {}};
}

// A parameter file's bytes read by the library's reader, as the program reads
// Opbaffin.txt: the design and how its records were read.
StudioReply answerReadParameterFile(const StudioRequest& request, const StudioSettings&) {
    if (mediaType(request.contentType) != "text/plain") {
        return errorReply(415,
                          "read-parameter-file: the body must be the file's bytes, sent as "
                          "text/plain");
    }
    const auto file = readParameterText(request.body);
    if (!file) return readFailureReply(file.error(), request.body);
    return jsonReply(parameterFileJson(file->design, recordNotes(*file)));
}

StudioReply answerFrd(const StudioRequest& request, const StudioSettings&) {
    const auto posted = readPostedDesign(request.contentType, request.body);
    if (!posted) return failure(posted.error());
    const Design& design = posted->design;
    const auto column = columnParameter(request.query, design.model);
    if (!column) return failure(column.error());
    const auto grid = gridParameter(request.query);
    if (!grid) return failure(grid.error());
    const auto highPass = baffleOnlyParameter(request.query);
    if (!highPass) return failure(highPass.error());
    const auto phase = phaseParameter(request.query, *highPass);
    if (!phase) return failure(phase.error());
    const std::vector<OutputColumn> columns = outputColumns(design);
    const auto chosen = std::find_if(columns.begin(), columns.end(),
                                     [&](const OutputColumn& c) { return c.index == *column; });
    if (chosen == columns.end()) return errorReply(400, "column: no response in that column");
    const Response whole = computeResponse(design, *grid);
    const Response response =
        *highPass == DriverHighPass::included ? whole : baffleOnlyResponse(whole, design);
    auto comments = frdComments(chosen->description, design, "the studio");
    if (*highPass == DriverHighPass::leftOut) {
        comments.insert(comments.begin() + 1, highPassWords(*highPass));
    }
    return attachment(frdText(response, *column, design, *phase, comments), chosen->fileName);
}

StudioReply answerSpeakerWithCache(const StudioRequest& request, const StudioSettings& settings) {
    if (settings.speakers) return answerSpeaker(request, *settings.speakers);
    SpeakerModelCache alone;
    return answerSpeaker(request, alone);
}

StudioReply answerSpeakerFrdWithCache(const StudioRequest& request,
                                      const StudioSettings& settings) {
    if (settings.speakers) return answerSpeakerFrd(request, *settings.speakers, settings.polarJobs);
    SpeakerModelCache alone;
    return answerSpeakerFrd(request, alone, settings.polarJobs);
}

struct Route {
    std::string_view path;
    std::string_view method;
    StudioReply (*answer)(const StudioRequest&, const StudioSettings&);
};

constexpr std::array<Route, 10> kRoutes{{
    {"/api/design", "GET", answerDesign},
    {"/api/response", "POST", answerResponse},
    {"/api/polar", "POST", answerPolar},
    {"/api/check", "POST", answerCheck},
    {"/api/parameter-file", "POST", answerParameterFile},
    {"/api/read-parameter-file", "POST", answerReadParameterFile},
    {"/api/frd", "POST", answerFrd},
    {"/api/eq", "POST", answerEq},
    {"/api/speaker", "POST", answerSpeakerWithCache},
    {"/api/speaker-frd", "POST", answerSpeakerFrdWithCache},
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

StartingDesign readStartingDesign(const std::string& path) {
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored)) return {};
    const std::string name = std::filesystem::path(path).filename().string();
    auto file = readParameterFile(path);
    if (!file) return {Design{}, "example", readFailureTextOfFile(path, name, file.error())};
    return {file->design, name, ""};
}

StudioReply errorReply(int status, const std::string& message) {
    JsonWriter writer(message.size() + 16);
    writer.beginObject().key("error").value(message).endObject();
    return {status, "application/json", writer.take(), {}, {}};
}

std::size_t costOf(const StudioRequest& request) {
    if (request.method != "POST" || !request.path.starts_with("/api/")) return 0;
    if (request.path == "/api/speaker") return speakerCostOf(request);
    if (request.path == "/api/speaker-frd") return speakerFrdCostOf(request);
    const auto grid = gridParameter(request.query);
    if (!grid) return 0;
    const auto model = modelParameter(request.query);
    if (!model) return 0;
    if (request.path == "/api/eq") return eqCostOf(request.query, grid->size(), *model);
    const bool polar = request.path == "/api/polar";
    const auto angles = anglesParameter(request.query);
    if (polar && !angles) return 0;
    const std::size_t count = polar ? angles->size() : 1;
    if (*model == ModelChoice::accurate) {
        return grid->size() * (kAccurateCostPerFrequency + count);
    }
    return grid->size() * count;
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
