#include "speaker_polar_command.h"

#include <optional>
#include <vector>

#include "grid_option.h"
#include "opbaff/speaker_file.h"
#include "output_set.h"
#include "progress_bar.h"
#include "speaker_frd.h"
#include "speaker_frd_set.h"
#include "speaker_polar.h"
#include "spin_curves.h"
#include "spin_plots.h"

namespace opbaff::tools {
namespace {

// What the command line and the speaker file ask for, read and checked.
struct SpeakerRequest {
    SpeakerFrdSet set;
    FrequencyGrid grid = FrequencyGrid::standard();
};

Result<FrequencyGrid, std::string> gridOf(const SpeakerPolarOptions& options,
                                          const Speaker& speaker) {
    if (!options.grid.empty()) return parseGridOption(options.grid);
    auto grid = FrequencyGrid::perOctave(speaker.grid);
    if (!grid) return std::string("the speaker's grid: ") + errorText(grid.error());
    return std::move(grid).value();
}

Result<SpeakerRequest, std::string> readRequest(const SpeakerPolarOptions& options) {
    auto speaker = readSpeakerFile(options.speakerFile);
    if (!speaker) return speakerFileErrorText(speaker.error());
    if (options.name.find('/') != std::string::npos) {
        return "--name '" + options.name + "': give a file name without '/'";
    }
    auto grid = gridOf(options, *speaker);
    auto horizontal = parseAngles(options.angles);
    auto vertical = parseAngles(options.vertical);
    if (!grid) return grid.error();
    if (!horizontal) return "--angles " + horizontal.error();
    if (!vertical) return "--vertical " + vertical.error();
    auto set = speakerFrdSet(std::move(speaker).value(), std::move(horizontal).value(),
                             std::move(vertical).value(), options.name, options.speakerFile);
    if (!set) return options.speakerFile + ": " + set.error();
    return SpeakerRequest{std::move(set).value(), std::move(grid).value()};
}

// The model heard at the angles asked for, and at the spin's when asked,
// with a progress bar on a terminal.
Result<SpeakerPolar, SpeakerFailure> hearAll(const SpeakerModel& model,
                                             const SpeakerRequest& request,
                                             const SpeakerPolarOptions& options, const ToolIo& io) {
    const std::vector<float> horizontal =
        options.spin ? withSpinAngles(request.set.horizontalDeg) : request.set.horizontalDeg;
    const std::vector<float> vertical =
        options.spin ? withSpinAngles(request.set.verticalDeg) : request.set.verticalDeg;
    std::optional<ProgressBar> bar;
    std::function<void(std::size_t, std::size_t)> progress;
    if (io.errIsTerminal) {
        progress = [&bar, &io](std::size_t done, std::size_t total) {
            if (!bar) bar.emplace(io.err, total);
            bar->update(done);
        };
    }
    auto polar = computeSpeakerPolar(model, request.set.speaker.listeningDistanceM, horizontal,
                                     vertical, options.jobs, progress);
    if (bar) bar->finish();
    return polar;
}

// One curve's FRD files of both planes, at the angles asked for.
std::optional<std::string> addFrdFiles(OutputSet& files, const SpeakerPolar& polar,
                                       std::size_t curve, const SpeakerRequest& request) {
    const auto frd = speakerCurveFrdFiles(request.set, polar, curve);
    if (!frd) return frd.error();
    for (const NamedFrd& file : *frd) {
        if (auto problem = files.add(file.name, file.text)) return problem;
    }
    return std::nullopt;
}

// One curve's spin: its table and its two plots.
std::optional<std::string> addSpin(OutputSet& files, std::vector<Picture>& pictures,
                                   const SpeakerPolar& polar, std::size_t curve,
                                   const SpeakerRequest& request,
                                   const SpeakerPolarOptions& options) {
    const auto spin = speakerCurveSpin(polar, curve);
    if (!spin) return options.speakerFile + ": " + spin.error();
    const SpeakerFrdSet& set = request.set;
    const std::string prefix = set.name + " " + set.curveNames[curve];
    const std::vector<std::string> remarks = speakerRemarks(
        set.speaker,
        "spin of " + speakerCurveWords(set, curve) + ": both orbits about the reference point",
        set.speaker.listeningDistanceM, set.source);
    if (auto problem = files.add(prefix + " spin.tsv", spinTsv(*spin, remarks))) return problem;
    const std::string title = set.speaker.name + ", " + speakerCurveWords(set, curve);
    for (Picture& picture : spinPictures(*spin, prefix, title, options.format)) {
        pictures.push_back(std::move(picture));
    }
    return std::nullopt;
}

int writeOutputs(const SpeakerPolar& polar, const SpeakerRequest& request,
                 const SpeakerPolarOptions& options, const ToolIo& io) {
    OutputSet files(options.outputDir);
    std::vector<Picture> pictures;
    for (std::size_t curve = 0; curve < polar.curveCount(); ++curve) {
        if (auto problem = addFrdFiles(files, polar, curve, request)) {
            io.report(*problem);
            return kExitWarning;
        }
        if (!options.spin) continue;
        if (auto problem = addSpin(files, pictures, polar, curve, request, options)) {
            io.report(*problem);
            return kExitWarning;
        }
    }
    return drawAndCommit(files, pictures, io);
}

}  // namespace

int runSpeakerPolar(const SpeakerPolarOptions& options, const ToolIo& io) {
    const auto request = readRequest(options);
    if (!request) {
        io.report(request.error());
        return kExitBadInput;
    }
    const Speaker& speaker = request->set.speaker;
    const auto model = SpeakerModel::create(speaker, request->grid);
    if (!model) {
        io.report(options.speakerFile + ": " + speakerFailureText(speaker, model.error()));
        return kExitWarning;
    }
    const auto polar = hearAll(*model, *request, options, io);
    if (!polar) {
        io.report(options.speakerFile + ": " + speakerFailureText(speaker, polar.error()));
        return kExitWarning;
    }
    return writeOutputs(*polar, *request, options, io);
}

}  // namespace opbaff::tools
