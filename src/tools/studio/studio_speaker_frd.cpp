#include "studio_speaker_frd.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "opbaff/speaker_file.h"
#include "polar.h"
#include "speaker_frd_set.h"
#include "speaker_polar.h"
#include "studio_json_writer.h"
#include "studio_speaker_input.h"

namespace opbaff::tools {
namespace {

constexpr std::size_t kMaxSourceChars = 200;
constexpr const char* kStepParameter = "step";

// The posted speaker with its angle step, the default when none is asked.
Result<PostedSpeaker, SpeakerInputError> readPosted(const StudioRequest& request) {
    auto posted = readPostedSpeaker(request, kStepParameter);
    if (posted && !posted->angleStepDeg) {
        posted->angleStepDeg = static_cast<double>(kDefaultFrdStepDeg);
    }
    return posted;
}

// The name the remarks give the speaker file, or nullopt when it is not one.
std::optional<std::string> sourceOf(const QueryParams& query) {
    const auto found = query.find("source");
    if (found == query.end()) return std::string("speaker.toml");
    const std::string& name = found->second;
    const bool printable = std::all_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7f;
    });
    if (name.empty() || name.size() > kMaxSourceChars || !printable) return std::nullopt;
    return name;
}

// -180 to 180 degrees at `stepDeg`, as polar reads "--angles -180:180:STEP".
std::vector<float> anglesOf(double stepDeg) {
    auto angles = parseAngles("-180:180:" + angleText(static_cast<float>(stepDeg)));
    return angles ? std::move(angles).value() : std::vector<float>{};
}

std::size_t filesOf(const PostedSpeaker& posted, std::size_t anglesPerPlane) {
    return (posted.speaker.drivers.size() + 1) * 2 * anglesPerPlane;
}

std::string tooManyFilesText(const PostedSpeaker& posted, std::size_t files) {
    return "speaker-frd: " + std::to_string(posted.speaker.drivers.size()) + " drivers at " +
           angleText(static_cast<float>(*posted.angleStepDeg)) + " degrees make " +
           std::to_string(files) + " files, more than the studio answers at a time (" +
           std::to_string(kMaxFrdFilesPerAnswer) + "); choose a larger angle step (" +
           kStepParameter + "=STEP)";
}

StudioReply refusedBy(const Speaker& speaker, const SpeakerFailure& failure) {
    return errorReply(422, "speaker: " + speakerFailureText(speaker, failure));
}

// The answer's JSON, the files of each curve in turn; or why a file has no
// line to write (422).
StudioReply setReply(const SpeakerFrdSet& set, const SpeakerPolar& polar) {
    const std::size_t files =
        polar.curveCount() * (set.horizontalDeg.size() + set.verticalDeg.size());
    JsonWriter writer(4096 + files * (1024 + polar.frequenciesHz.size() * 40));
    writer.beginObject().key("name").value(set.name);
    writer.key("speaker").value(speakerFileText(set.speaker));
    writer.key("files").beginObject();
    for (std::size_t curve = 0; curve < polar.curveCount(); ++curve) {
        const auto frd = speakerCurveFrdFiles(set, polar, curve);
        if (!frd) return errorReply(422, "speaker: " + frd.error());
        for (const NamedFrd& file : *frd) writer.key(file.name).value(file.text);
    }
    writer.endObject().endObject();
    return {200, "application/json", writer.take(), {}, {}};
}

}  // namespace

std::size_t speakerFrdCostOf(const StudioRequest& request) {
    const auto posted = readPosted(request);
    return posted ? postedSpeakerCost(*posted) : 0;
}

StudioReply answerSpeakerFrd(const StudioRequest& request, SpeakerModelCache& cache, int jobs) {
    const auto posted = readPosted(request);
    if (!posted) return speakerInputReply(posted.error());
    const auto source = sourceOf(request.query);
    if (!source) {
        return errorReply(400, "speaker-frd: source takes the speaker file's name, 1 to " +
                                   std::to_string(kMaxSourceChars) + " printable ASCII characters");
    }
    if (postedSpeakerCost(*posted) > kMaxPairsPerRequest) {
        return errorReply(400, speakerTooCostlyText(*posted, kStepParameter));
    }
    const std::vector<float> angles = anglesOf(*posted->angleStepDeg);
    if (const std::size_t files = filesOf(*posted, angles.size()); files > kMaxFrdFilesPerAnswer) {
        return errorReply(400, tooManyFilesText(*posted, files));
    }
    // On the set's grid, so that polar on the speaker file answered hears the
    // same frequencies.
    Speaker speaker = posted->speaker;
    speaker.grid = posted->gridRequest;
    const auto set = speakerFrdSet(std::move(speaker), angles, angles, "", *source);
    if (!set) return errorReply(422, "speaker: " + set.error());
    const auto solved = solvedSpeakerModel(*posted, cache);
    if (!solved) return refusedBy(posted->speaker, solved.error());
    const auto polar = computeSpeakerPolarUnlessStopped(
        solved->model, set->speaker.listeningDistanceM, angles, angles, jobs, request.abandoned);
    if (!polar) return errorReply(503, "speaker-frd: abandoned, nobody waits for the answer");
    if (!*polar) return refusedBy(posted->speaker, polar->error());
    return setReply(*set, **polar);
}

}  // namespace opbaff::tools
