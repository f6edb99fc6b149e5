#include "studio_speaker_input.h"

#include <charconv>
#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "grid_option.h"
#include "opbaff/speaker_file.h"
#include "studio_api_input.h"

namespace opbaff::tools {
namespace {

constexpr double kCm = 0.01;

SpeakerInputError refused(int status, const std::string& message) {
    return {status, message, false, 0, 0, {}};
}

SpeakerInputError badQuery(const std::string& message) {
    return refused(400, message);
}

std::optional<std::string> parameter(const QueryParams& query, const std::string& name) {
    const auto found = query.find(name);
    if (found == query.end()) return std::nullopt;
    return found->second;
}

// The parts of "a:b:c" (empty parts kept).
std::vector<std::string_view> splitColons(std::string_view text) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t colon = text.find(':', start);
        parts.push_back(
            text.substr(start, colon == std::string_view::npos ? colon : colon - start));
        if (colon == std::string_view::npos) return parts;
        start = colon + 1;
    }
}

std::optional<double> finiteNumber(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<long> wholeNumber(std::string_view text) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// The speaker file's text and the FRD texts of a JSON body.
struct Body {
    std::string text;
    std::map<std::string, std::string> frd;
};

Result<Body, SpeakerInputError> readBody(const StudioRequest& request) {
    const std::string type = mediaType(request.contentType);
    if (type == "text/plain") return Body{request.body, {}};
    if (type != "application/json") {
        return refused(415,
                       "speaker: send the speaker file as text/plain, or JSON "
                       "{\"speaker\": text, \"frd\": {name: text}}");
    }
    const auto json = nlohmann::json::parse(request.body, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        return refused(400, "speaker: the body is not a JSON object");
    }
    Body body;
    for (const auto& [key, value] : json.items()) {
        if (key == "speaker" && value.is_string()) {
            body.text = value.get<std::string>();
        } else if (key == "frd" && value.is_object() && value.size() <= kMaxFrdFilesPerRequest) {
            for (const auto& [name, frd] : value.items()) {
                if (!frd.is_string()) {
                    return refused(
                        400, "frd: \"" + name.substr(0, 60) + "\" must be the FRD file's text");
                }
                body.frd.emplace(name, frd.get<std::string>());
            }
        } else if (key == "speaker") {
            return refused(400, "speaker: \"speaker\" must be the speaker file's text");
        } else {
            return refused(400, "speaker: '" + key.substr(0, 40) +
                                    "' is not taken here (\"speaker\": text, \"frd\": at most " +
                                    std::to_string(kMaxFrdFilesPerRequest) +
                                    " files of name and text)");
        }
    }
    if (!json.contains("speaker")) {
        return refused(400, "speaker: the body names no \"speaker\" text");
    }
    return body;
}

Result<Speaker, SpeakerInputError> parseBody(const Body& body) {
    const FrdLoader loader = [&body](const std::string& name) -> Result<std::string, FrdLoadError> {
        const auto found = body.frd.find(name);
        if (found != body.frd.end()) return found->second;
        return FrdLoadError{"the studio reads no files: send \"" + name.substr(0, 200) +
                            "\" in the request's \"frd\" (JSON body)"};
    };
    auto speaker = parseSpeakerText(body.text, "speaker.toml", loader);
    if (speaker) return std::move(speaker).value();
    const SpeakerFileError& e = speaker.error();
    return SpeakerInputError{422, speakerFileErrorText(e), true, e.line, e.column, e.key};
}

std::optional<SpeakerInputError> applyMove(const QueryParams& query, Speaker& speaker) {
    const auto move = parameter(query, "move");
    if (!move) return std::nullopt;
    const auto parts = splitColons(*move);
    const auto index = parts.size() == 3 ? wholeNumber(parts[0]) : std::nullopt;
    const auto x = parts.size() == 3 ? finiteNumber(parts[1]) : std::nullopt;
    const auto y = parts.size() == 3 ? finiteNumber(parts[2]) : std::nullopt;
    if (!index || !x || !y) {
        return badQuery("move takes DRIVER:X:Y (the driver's index from 0, cm), not '" +
                        move->substr(0, 60) + "'");
    }
    if (*index < 0 || static_cast<std::size_t>(*index) >= speaker.drivers.size()) {
        return badQuery("move: the speaker has no driver " + std::to_string(*index) + " (0 to " +
                        std::to_string(speaker.drivers.size() - 1) + ")");
    }
    speaker.drivers[static_cast<std::size_t>(*index)].centreM = {*x * kCm, *y * kCm};
    return std::nullopt;
}

std::optional<SpeakerBaffle::Corners> cornersNamed(std::string_view name) {
    if (name == "square") return SpeakerBaffle::Corners::square;
    if (name == "chamfered") return SpeakerBaffle::Corners::chamfered;
    if (name == "rounded") return SpeakerBaffle::Corners::rounded;
    return std::nullopt;
}

// The rectangle's own checks (sizes above 0, corners that fit) are the
// model's, which names them.
std::optional<SpeakerInputError> applyBaffle(const QueryParams& query, Speaker& speaker) {
    const auto baffle = parameter(query, "baffle");
    if (!baffle) return std::nullopt;
    const auto parts = splitColons(*baffle);
    const auto width = parts.size() == 4 ? finiteNumber(parts[0]) : std::nullopt;
    const auto height = parts.size() == 4 ? finiteNumber(parts[1]) : std::nullopt;
    const auto corners = parts.size() == 4 ? cornersNamed(parts[2]) : std::nullopt;
    const auto size = parts.size() == 4 ? finiteNumber(parts[3]) : std::nullopt;
    if (!width || !height || !corners || !size) {
        return badQuery(
            "baffle takes WIDTH:HEIGHT:CORNERS:SIZE (cm; corners square, chamfered or "
            "rounded), not '" +
            baffle->substr(0, 60) + "'");
    }
    SpeakerBaffle& b = speaker.baffle;
    b = SpeakerBaffle{false, *width * kCm, *height * kCm, *corners, *size * kCm, {}};
    return std::nullopt;
}

Result<GridRequest, SpeakerInputError> gridRequestOf(const QueryParams& query,
                                                     const Speaker& speaker) {
    GridRequest request = speaker.grid;
    if (const auto grid = parameter(query, "grid")) {
        const auto points = wholeNumber(*grid);
        if (!points || *points < 1 || *points > kMaxGridPointsPerOctave) {
            return badQuery("grid takes a number of points per octave from 1 to " +
                            std::to_string(kMaxGridPointsPerOctave) + ", not '" +
                            grid->substr(0, 40) + "'");
        }
        request.pointsPerOctave = static_cast<int>(*points);
    }
    return request;
}

Result<std::optional<double>, SpeakerInputError> angleStepOf(const QueryParams& query,
                                                             const std::string& name) {
    const auto step = parameter(query, name);
    if (!step) return std::optional<double>{};
    const auto degrees = wholeNumber(*step);
    if (!degrees || *degrees < 2 || *degrees > 180 || 180 % *degrees != 0) {
        return badQuery(name +
                        " takes an angle step in degrees that divides 180, from 2 to "
                        "180, not '" +
                        step->substr(0, 40) + "'");
    }
    return std::optional<double>{static_cast<double>(*degrees)};
}

std::string signatureOf(const std::map<std::string, std::string>& frd) {
    std::string signature;
    for (const auto& [name, text] : frd) {
        signature.append(name).push_back('\0');
        signature.append(text).push_back('\0');
    }
    return signature;
}

}  // namespace

Result<PostedSpeaker, SpeakerInputError> readPostedSpeaker(const StudioRequest& request,
                                                           const std::string& stepParameter) {
    const auto body = readBody(request);
    if (!body) return body.error();
    auto speaker = parseBody(*body);
    if (!speaker) return speaker.error();
    if (auto refused = applyBaffle(request.query, *speaker)) return *refused;
    if (auto refused = applyMove(request.query, *speaker)) return *refused;
    const auto gridRequest = gridRequestOf(request.query, *speaker);
    if (!gridRequest) return gridRequest.error();
    auto grid = FrequencyGrid::perOctave(*gridRequest);
    if (!grid) return badQuery("grid: the speaker's band makes no grid");
    const auto step = angleStepOf(request.query, stepParameter);
    if (!step) return step.error();
    return PostedSpeaker{std::move(speaker).value(), std::move(grid).value(), *gridRequest,
                         signatureOf(body->frd), *step};
}

}  // namespace opbaff::tools
