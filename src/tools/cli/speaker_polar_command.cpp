#include "speaker_polar_command.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "frd.h"
#include "grid_option.h"
#include "opbaff/speaker_file.h"
#include "output_set.h"
#include "progress_bar.h"
#include "speaker_frd.h"
#include "speaker_polar.h"
#include "spin_curves.h"
#include "spin_plots.h"
#include "variants.h"

namespace opbaff::tools {
namespace {

// What the command line and the speaker file ask for, read and checked.
struct SpeakerRequest {
    Speaker speaker;
    FrequencyGrid grid = FrequencyGrid::standard();
    std::vector<float> horizontal;
    std::vector<float> vertical;
    std::vector<std::string> curveNames;  // each driver's in file names, then "sum"
    std::string name;                     // the files' names begin with it
};

Result<FrequencyGrid, std::string> gridOf(const SpeakerPolarOptions& options,
                                          const Speaker& speaker) {
    if (!options.grid.empty()) return parseGridOption(options.grid);
    auto grid = FrequencyGrid::perOctave(speaker.grid);
    if (!grid) return std::string("the speaker's grid: ") + errorText(grid.error());
    return std::move(grid).value();
}

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

Result<SpeakerRequest, std::string> readRequest(const SpeakerPolarOptions& options) {
    auto speaker = readSpeakerFile(options.speakerFile);
    if (!speaker) return speakerFileErrorText(speaker.error());
    if (options.name.find('/') != std::string::npos) {
        return "--name '" + options.name + "': give a file name without '/'";
    }
    auto grid = gridOf(options, *speaker);
    auto horizontal = parseAngles(options.angles);
    auto vertical = parseAngles(options.vertical);
    auto names = curveNamesOf(*speaker);
    if (!grid) return grid.error();
    if (!horizontal) return "--angles " + horizontal.error();
    if (!vertical) return "--vertical " + vertical.error();
    if (!names) return options.speakerFile + ": " + names.error();
    std::string name = options.name;
    if (name.empty()) name = fileSafeName(speaker->name.empty() ? "speaker" : speaker->name);
    return SpeakerRequest{std::move(speaker).value(),    std::move(grid).value(),
                          std::move(horizontal).value(), std::move(vertical).value(),
                          std::move(names).value(),      std::move(name)};
}

// The model heard at the angles asked for, and at the spin's when asked,
// with a progress bar on a terminal.
Result<SpeakerPolar, SpeakerFailure> hearAll(const SpeakerModel& model,
                                             const SpeakerRequest& request,
                                             const SpeakerPolarOptions& options, const ToolIo& io) {
    const std::vector<float> horizontal =
        options.spin ? withSpinAngles(request.horizontal) : request.horizontal;
    const std::vector<float> vertical =
        options.spin ? withSpinAngles(request.vertical) : request.vertical;
    std::optional<ProgressBar> bar;
    std::function<void(std::size_t, std::size_t)> progress;
    if (io.errIsTerminal) {
        progress = [&bar, &io](std::size_t done, std::size_t total) {
            if (!bar) bar.emplace(io.err, total);
            bar->update(done);
        };
    }
    auto polar = computeSpeakerPolar(model, request.speaker.listeningDistanceM, horizontal,
                                     vertical, options.jobs, progress);
    if (bar) bar->finish();
    return polar;
}

// "the driver "woofer"" or "the summed speaker", for remarks.
std::string curveWords(const SpeakerRequest& request, std::size_t curve) {
    if (curve < request.speaker.drivers.size()) {
        return "driver \"" + request.speaker.drivers[curve].name + "\"";
    }
    return "the summed speaker (every driver with its filters)";
}

std::string placeWords(PolarPlane plane, float angleDeg) {
    return plane == PolarPlane::horizontal
               ? angleText(angleDeg) + " degrees in the horizontal plane (positive towards +x)"
               : angleText(angleDeg) +
                     " degrees in the vertical plane (positive upwards, beyond 90 over the top)";
}

// One curve's FRD files of one plane, at the angles asked for.
std::optional<std::string> addFrdFiles(OutputSet& files, const SpeakerPolar& polar,
                                       PolarPlane plane, std::size_t curve,
                                       const SpeakerRequest& request,
                                       const SpeakerPolarOptions& options) {
    const bool horizontal = plane == PolarPlane::horizontal;
    const std::vector<float>& wanted = horizontal ? request.horizontal : request.vertical;
    const std::vector<float>& heardAt = horizontal ? polar.horizontalDeg : polar.verticalDeg;
    const std::vector<SpeakerResponse>& heard = horizontal ? polar.horizontal : polar.vertical;
    const std::string prefix = request.name + " " + request.curveNames[curve];
    for (const float angle : wanted) {
        const auto k = static_cast<std::size_t>(std::find(heardAt.begin(), heardAt.end(), angle) -
                                                heardAt.begin());
        const std::string text = speakerFrdText(
            polar.frequenciesHz, SpeakerPolar::curveOf(heard.at(k), curve),
            speakerRemarks(request.speaker,
                           curveWords(request, curve) + " heard " + placeWords(plane, angle),
                           request.speaker.listeningDistanceM, options.speakerFile));
        const std::string name = polarFileName(prefix, angle, plane);
        if (!hasDataLine(text)) return name + ": no finite line to write; nothing written";
        if (auto problem = files.add(name, text)) return problem;
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
    const std::string prefix = request.name + " " + request.curveNames[curve];
    const std::vector<std::string> remarks = speakerRemarks(
        request.speaker,
        "spin of " + curveWords(request, curve) + ": both orbits about the reference point",
        request.speaker.listeningDistanceM, options.speakerFile);
    if (auto problem = files.add(prefix + " spin.tsv", spinTsv(*spin, remarks))) return problem;
    const std::string title = request.speaker.name + ", " + curveWords(request, curve);
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
        for (const PolarPlane plane : {PolarPlane::horizontal, PolarPlane::vertical}) {
            if (auto problem = addFrdFiles(files, polar, plane, curve, request, options)) {
                io.report(*problem);
                return kExitWarning;
            }
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
    const auto model = SpeakerModel::create(request->speaker, request->grid);
    if (!model) {
        io.report(options.speakerFile + ": " + speakerFailureText(request->speaker, model.error()));
        return kExitWarning;
    }
    const auto polar = hearAll(*model, *request, options, io);
    if (!polar) {
        io.report(options.speakerFile + ": " + speakerFailureText(request->speaker, polar.error()));
        return kExitWarning;
    }
    return writeOutputs(*polar, *request, options, io);
}

}  // namespace opbaff::tools
