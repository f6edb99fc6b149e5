#include "speaker_frd_set.h"

#include <algorithm>
#include <optional>

#include "frd.h"
#include "speaker_frd.h"
#include "variants.h"

namespace opbaff::tools {
namespace {

// Each driver's name made safe for file names, then "sum"; or which two
// curves would share their files' names.
Result<std::vector<std::string>, std::string> curveNamesOf(const Speaker& speaker) {
    std::vector<std::string> names;
    for (const SpeakerDriver& driver : speaker.drivers) {
        names.push_back(fileSafeName(driver.name));
        const auto same = std::find(names.begin(), names.end() - 1, names.back());
        if (same != names.end() - 1) {
            return "drivers \"" + speaker.drivers[same - names.begin()].name + "\" and \"" +
                   driver.name + "\" would share the file names '... " + names.back() +
                   " hor 0.frd': rename one";
        }
        if (names.back() == "sum") {
            return "driver \"" + driver.name +
                   "\" would take the summed speaker's file names '... sum hor 0.frd': rename it";
        }
    }
    names.emplace_back("sum");
    return names;
}

std::string placeWords(PolarPlane plane, float angleDeg) {
    return plane == PolarPlane::horizontal
               ? angleText(angleDeg) + " degrees in the horizontal plane (positive towards +x)"
               : angleText(angleDeg) +
                     " degrees in the vertical plane (positive upwards, beyond 90 over the top)";
}

// One plane's files of one curve, added to `files`.
std::optional<std::string> addPlane(std::vector<NamedFrd>& files, const SpeakerFrdSet& set,
                                    const SpeakerPolar& polar, PolarPlane plane,
                                    std::size_t curve) {
    const bool horizontal = plane == PolarPlane::horizontal;
    const std::vector<float>& wanted = horizontal ? set.horizontalDeg : set.verticalDeg;
    const std::vector<float>& heardAt = horizontal ? polar.horizontalDeg : polar.verticalDeg;
    const std::vector<SpeakerResponse>& heard = horizontal ? polar.horizontal : polar.vertical;
    const std::string prefix = set.name + " " + set.curveNames.at(curve);
    for (const float angle : wanted) {
        const auto k = static_cast<std::size_t>(std::find(heardAt.begin(), heardAt.end(), angle) -
                                                heardAt.begin());
        std::string name = polarFileName(prefix, angle, plane);
        std::string text = speakerFrdText(
            polar.frequenciesHz, SpeakerPolar::curveOf(heard.at(k), curve),
            speakerRemarks(set.speaker,
                           speakerCurveWords(set, curve) + " heard " + placeWords(plane, angle),
                           set.speaker.listeningDistanceM, set.source));
        if (!hasDataLine(text)) return name + ": no finite line to write; nothing written";
        files.push_back({std::move(name), std::move(text)});
    }
    return std::nullopt;
}

}  // namespace

Result<SpeakerFrdSet, std::string> speakerFrdSet(Speaker speaker, std::vector<float> horizontalDeg,
                                                 std::vector<float> verticalDeg, std::string name,
                                                 std::string source) {
    auto curveNames = curveNamesOf(speaker);
    if (!curveNames) return curveNames.error();
    if (name.empty()) name = fileSafeName(speaker.name.empty() ? "speaker" : speaker.name);
    return SpeakerFrdSet{std::move(speaker),     std::move(horizontalDeg),
                         std::move(verticalDeg), std::move(curveNames).value(),
                         std::move(name),        std::move(source)};
}

std::string speakerCurveWords(const SpeakerFrdSet& set, std::size_t curve) {
    if (curve < set.speaker.drivers.size()) {
        return "driver \"" + set.speaker.drivers[curve].name + "\"";
    }
    return "the summed speaker (every driver with its filters)";
}

Result<std::vector<NamedFrd>, std::string> speakerCurveFrdFiles(const SpeakerFrdSet& set,
                                                                const SpeakerPolar& polar,
                                                                std::size_t curve) {
    std::vector<NamedFrd> files;
    for (const PolarPlane plane : {PolarPlane::horizontal, PolarPlane::vertical}) {
        if (auto problem = addPlane(files, set, polar, plane, curve)) return *problem;
    }
    return files;
}

}  // namespace opbaff::tools
