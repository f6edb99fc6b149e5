// opbaff-design plot on a speaker file: each driver and the sum on axis at the
// listening distance, an FRD file each and a plot of their levels, one set.
#include <set>
#include <string>

#include "file_slips.h"
#include "opbaff/short_number.h"
#include "output_set.h"
#include "plot.h"
#include "speaker_commands.h"
#include "speaker_curves.h"
#include "speaker_frd.h"
#include "variants.h"
#include "words.h"

namespace opbaff::tools {

bool isSpeakerFile(const std::string& path) {
    const auto leading = leadingBytes(path);
    return leading && looksLikeSpeakerFile(*leading);
}

std::optional<SpeakerInUnit> loadSpeakerFile(const std::string& path, const ToolIo& io) {
    auto read = readSpeakerFileInUnit(path);
    if (!read) {
        io.report(speakerFileErrorText(read.error()));
        return std::nullopt;
    }
    return std::move(read).value();
}

std::optional<std::string> speakerOutputProblem(const OutputOptions& output,
                                                const std::string& defaultGrid) {
    if (output.grid != defaultGrid) {
        return std::string("--grid: a speaker file is computed on its own [grid]");
    }
    if (output.baffleOnly || output.phase != "driver") {
        return std::string(
            "--phase and --baffle-only: a speaker's drivers bring their own responses; its "
            "phase is taken about the reference point");
    }
    return std::nullopt;
}

std::vector<std::string> driverFrdNames(const Speaker& speaker) {
    std::set<std::string> taken;
    std::vector<std::string> names;
    for (const SpeakerDriver& driver : speaker.drivers) {
        const std::string stem = "opbaff-driver-" + fileSafeName(driver.name);
        std::string name = stem + ".frd";
        for (int n = 2; taken.contains(name); ++n) name = stem + "-" + std::to_string(n) + ".frd";
        taken.insert(name);
        names.push_back(name);
    }
    return names;
}

namespace {

std::string onAxisWords(const Speaker& speaker) {
    return "on axis at " + shortNumber(static_cast<float>(speaker.listeningDistanceM)) +
           " m from the reference point";
}

}  // namespace

int runSpeakerPlot(const std::string& fileName, const OutputOptions& output, const ToolIo& io) {
    if (auto problem = speakerOutputProblem(output, "standard")) {
        io.report(*problem);
        return kExitBadInput;
    }
    const auto file = loadSpeakerFile(fileName, io);
    if (!file) return kExitBadInput;
    const Speaker& speaker = file->speaker;
    const auto model = speakerModelOnItsGrid(speaker);
    const auto heard =
        model ? speakerOnAxis(*model) : Result<SpeakerResponse, std::string>(model.error());
    if (!heard) {
        io.report(fileName + ": " + heard.error());
        return kExitBadInput;
    }
    const std::string where = onAxisWords(speaker);
    const std::vector<std::string> names = driverFrdNames(speaker);
    OutputSet set(output.outputDir);
    std::vector<Curve> curves;
    for (std::size_t i = 0; i <= speaker.drivers.size(); ++i) {
        const bool sum = i == speaker.drivers.size();
        const std::string label = sum ? std::string("sum") : speaker.drivers[i].name;
        const auto& values = sum ? heard->sum : heard->drivers[i];
        const std::string what = (sum ? std::string("the sum of the drivers")
                                      : "driver \"" + visibleText(label) + "\"") +
                                 ", " + where;
        const std::string text = speakerFrdText(
            heard->frequenciesHz, values,
            speakerRemarks(speaker, what, speaker.listeningDistanceM, visibleText(fileName)));
        if (auto problem = set.add(sum ? "opbaff-sum.frd" : names[i], text)) {
            io.report(*problem);
            return kExitWarning;
        }
        curves.push_back({label, heard->frequenciesHz, levelsDbOf(values), false});
    }
    markCoincidingCurves(curves);
    const PlotFormat format = output.format();
    const std::string title =
        visibleText(speaker.name.empty() ? fileName : speaker.name) + ", " + where;
    const Picture plot{std::string("opbaff-response") + pictureExtension(format), format,
                       [&] { return responsePlotScript(curves, title, format); }};
    return drawAndCommit(set, {plot}, io);
}

}  // namespace opbaff::tools
