// opbaff-design polar: the directivity of a rectangular baffle as one FRD file
// per listening angle, a sonogram and a polar diagram, from one parameter file.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "frd.h"
#include "grid_option.h"
#include "level_warnings.h"
#include "opbaff/opbaff.h"
#include "parallel.h"
#include "parameter_source.h"
#include "polar.h"
#include "polar_plots.h"
#include "speaker_commands.h"
#include "speaker_polar_command.h"
#include "spin_curves.h"
#include "spin_plots.h"

namespace opbaff::tools {
namespace {

struct PolarOptions {
    std::string parameterFile = "Opbaffin.txt";
    OutputOptions output;
    std::string angles = "-90:90:5";
    std::string vertical;  // with --model accurate; empty: none
    std::string frequencies = "250,500,1000,2000,4000";
    std::string name = "opbaff";
    int jobs = defaultJobs();
    bool spin = false;               // with --model accurate
    std::vector<std::string> given;  // the options on the command line, of kGivenOptions
};

// The options whose presence matters to a speaker file, which has defaults of
// its own or has no use for them.
constexpr std::array<const char*, 8> kGivenOptions{"--grid",        "--angles",     "--vertical",
                                                   "--name",        "--model",      "--phase",
                                                   "--baffle-only", "--frequencies"};

bool given(const PolarOptions& options, std::string_view option) {
    return std::find(options.given.begin(), options.given.end(), option) != options.given.end();
}

// What the command line asks for, read and checked.
struct PolarRequest {
    Design design;
    FrequencyGrid grid = FrequencyGrid::standard();
    std::vector<float> angles;
    std::vector<float> verticalAngles;
    std::vector<float> frequencies;
};

Result<PolarRequest, std::string> readRequest(const PolarOptions& options) {
    const auto file = loadParameterFile(options.parameterFile);
    if (!file) return file.error();
    if (options.name.empty() || options.name.find('/') != std::string::npos) {
        return "--name '" + options.name + "': give a file name without '/'";
    }
    auto grid = parseGridOption(options.output.grid);
    auto angles = parseAngles(options.angles);
    auto frequencies = parseFrequencies(options.frequencies);
    if (!grid) return grid.error();
    if (!angles) return "--" + angles.error();
    if (!frequencies) return "--" + frequencies.error();
    std::vector<float> vertical;
    if (!options.vertical.empty()) {
        if (options.output.modelChoice() != ModelChoice::accurate) {
            return std::string(
                "--vertical: only the accurate model (--model accurate) hears the "
                "baffle above and below the axis");
        }
        auto parsed = parseAngles(options.vertical);
        if (!parsed) return "--vertical " + parsed.error();
        vertical = std::move(parsed).value();
    }
    if (options.spin && options.output.modelChoice() != ModelChoice::accurate) {
        return std::string(
            "--spin: only the accurate model (--model accurate) hears the baffle all round, "
            "as the spin's orbits need");
    }
    return PolarRequest{file->design, std::move(grid).value(), std::move(angles).value(),
                        std::move(vertical), std::move(frequencies).value()};
}

// One FRD file per angle, each the column 3 the program writes for it.
std::optional<std::string> addFrdFiles(OutputSet& files, const PolarSet& set, PolarPlane plane,
                                       const PolarOptions& options, const Design& design) {
    const PhaseMode phase = options.output.phaseMode();
    for (std::size_t k = 0; k < set.anglesDeg.size(); ++k) {
        Design heard = design;
        const bool horizontal = plane == PolarPlane::horizontal;
        heard.offAxisAngleDeg = horizontal ? set.anglesDeg[k] : 0.0F;
        auto comments = frdComments(
            "rectangular baffle heard " + angleText(set.anglesDeg[k]) +
                (horizontal ? " degrees off axis"
                            : " degrees above the axis in the vertical plane through the driver"),
            heard, options.parameterFile);
        for (const std::string& words : {highPassWords(options.output.highPass()),
                                         modelChoiceWords(options.output.modelChoice())}) {
            if (!words.empty()) comments.insert(comments.begin() + 1, words);
        }
        const std::string text = frdText(offAxisResponse(set, k), 2, heard, phase, comments);
        const std::string name = polarFileName(options.name, set.anglesDeg[k], plane);
        if (!hasDataLine(text)) return name + ": no finite line to write; nothing written";
        if (auto problem = files.add(name, text)) {
            return problem;
        }
    }
    return std::nullopt;
}

// Nothing when the set's levels mean something, else what levelWarning says
// of the design and the angles' levels.
std::optional<std::string> polarNote(const PolarSet& set, const Design& design) {
    Response all;
    for (const std::vector<float>& levels : set.levelsDb) {
        all.columns[0].levelsDb.insert(all.columns[0].levelsDb.end(), levels.begin(), levels.end());
    }
    return levelWarning(all, {0}, design);
}

// The sonogram and the polar diagram of one plane; the vertical plane's
// pictures are named "<name>-vertical-...".
std::vector<Picture> picturesOf(const PolarSet& set, PolarPlane plane, const PolarRequest& request,
                                const PolarOptions& options) {
    const PlotFormat format = options.output.format();
    const bool horizontal = plane == PolarPlane::horizontal;
    const bool accurate = options.output.modelChoice() == ModelChoice::accurate;
    const std::string title = polarTitle(request.design) + (horizontal ? "" : ", vertical plane") +
                              (accurate ? " (accurate model)" : "") +
                              highPassTitle(options.output.highPass());
    const std::string name = options.name + (horizontal ? "" : "-vertical");
    const std::vector<std::size_t> chosen =
        chosenFrequencies(set.frequenciesHz, request.frequencies);
    return {
        {name + "-sonogram" + pictureExtension(format), format,
         [&set, format, title] {
             return sonogramScript(set, "Level relative to on axis: " + title, format);
         }},
        {name + "-polar" + pictureExtension(format), format,
         [&set, chosen, format, title] {
             return polarPlotScript(set, chosen, "Directivity: " + title, format);
         }},
    };
}

// What a spin file says of where its curves come from.
std::vector<std::string> spinRemarks(const PolarOptions& options, const Design& design) {
    auto remarks = frdComments(
        "spin of the rectangular baffle: both orbits heard listenerDistanceM from the driver "
        "centre, levels in dB relative to the same driver on an infinite baffle",
        design, options.parameterFile);
    for (const std::string& words : {highPassWords(options.output.highPass()),
                                     modelChoiceWords(options.output.modelChoice())}) {
        if (!words.empty()) remarks.insert(remarks.begin() + 1, words);
    }
    return remarks;
}

// The spin's table, its plot and the plot of its directivity indices.
std::optional<std::string> addSpin(OutputSet& files, std::vector<Picture>& pictures,
                                   const Spin& spin, const PolarRequest& request,
                                   const PolarOptions& options) {
    if (auto problem = files.add(options.name + " spin.tsv",
                                 spinTsv(spin, spinRemarks(options, request.design)))) {
        return problem;
    }
    const PlotFormat format = options.output.format();
    const std::string title =
        polarTitle(request.design) + " (accurate model)" + highPassTitle(options.output.highPass());
    for (Picture& picture : spinPictures(spin, options.name, title, format)) {
        pictures.push_back(std::move(picture));
    }
    return std::nullopt;
}

int writeOutputs(const PlatePolarSets& sets, const std::optional<Spin>& spin,
                 const PolarRequest& request, const PolarOptions& options, const ToolIo& io) {
    OutputSet files(options.output.outputDir);
    std::vector<Picture> pictures;
    for (const PolarPlane plane : {PolarPlane::horizontal, PolarPlane::vertical}) {
        const PolarSet& set = plane == PolarPlane::horizontal ? sets.horizontal : sets.vertical;
        if (set.anglesDeg.empty()) continue;
        if (auto problem = addFrdFiles(files, set, plane, options, request.design)) {
            io.report(*problem);
            return kExitWarning;
        }
        for (Picture& picture : picturesOf(set, plane, request, options)) {
            pictures.push_back(std::move(picture));
        }
    }
    if (spin) {
        if (auto problem = addSpin(files, pictures, *spin, request, options)) {
            io.report(*problem);
            return kExitWarning;
        }
    }
    return drawAndCommit(files, pictures, io);
}

// The horizontal set on the chosen model, and the vertical one on the accurate.
Result<PlatePolarSets, std::string> computeWholeSets(const PolarRequest& wanted,
                                                     const PolarOptions& options) {
    if (options.output.modelChoice() == ModelChoice::accurate) {
        // The spin's orbits are heard with the angles asked for, in one solve.
        return computePlatePolarSets(
            wanted.design, wanted.grid,
            options.spin ? withSpinAngles(wanted.angles) : wanted.angles,
            options.spin ? withSpinAngles(wanted.verticalAngles) : wanted.verticalAngles,
            options.jobs);
    }
    auto set = computePolarSet(wanted.design, wanted.grid, wanted.angles, options.jobs);
    if (!set) return set.error();
    return PlatePolarSets{std::move(*set), {}};
}

// The same, without the driver's high-pass when asked.
Result<PlatePolarSets, std::string> computeSets(const PolarRequest& wanted,
                                                const PolarOptions& options) {
    auto sets = computeWholeSets(wanted, options);
    if (!sets || options.output.highPass() == DriverHighPass::included) return sets;
    return PlatePolarSets{baffleOnlySet(std::move(sets->horizontal), wanted.design),
                          baffleOnlySet(std::move(sets->vertical), wanted.design)};
}

// A speaker file: each driver's sets and the sum's, on the speaker's grid
// and at both planes' angles unless asked otherwise.
int runSpeakerPolarFrom(const PolarOptions& options, const ToolIo& io) {
    struct Unused {
        const char* option;
        const char* reason;
    };
    for (const Unused& unused :
         {Unused{"--model", "a speaker file is always heard on the accurate model"},
          Unused{"--phase", "a speaker's phase is its drivers' and filters' own"},
          Unused{"--baffle-only", "a speaker's drivers are heard with their own responses"},
          Unused{"--frequencies", "a speaker file's set has no polar diagram"}}) {
        if (given(options, unused.option)) {
            io.report(std::string(unused.option) + ": not for a speaker file: " + unused.reason);
            return kExitBadInput;
        }
    }
    SpeakerPolarOptions speaker;
    speaker.speakerFile = options.parameterFile;
    speaker.outputDir = options.output.outputDir;
    if (given(options, "--grid")) speaker.grid = options.output.grid;
    if (given(options, "--angles")) speaker.angles = options.angles;
    if (given(options, "--vertical")) speaker.vertical = options.vertical;
    if (given(options, "--name")) speaker.name = options.name;
    speaker.jobs = options.jobs;
    speaker.spin = options.spin;
    speaker.format = options.output.format();
    return runSpeakerPolar(speaker, io);
}

int runPolar(const PolarOptions& options, const ToolIo& io) {
    if (isSpeakerFile(options.parameterFile)) return runSpeakerPolarFrom(options, io);
    const auto request = readRequest(options);
    if (!request) {
        io.report(request.error());
        return kExitBadInput;
    }
    const PolarRequest& wanted = *request;
    auto computed = computeSets(wanted, options);
    if (!computed) {
        io.report(options.parameterFile + ": " + computed.error());
        return kExitBadInput;
    }
    std::optional<Spin> spin;
    PlatePolarSets sets = std::move(*computed);
    if (options.spin) {
        const std::vector<float> spinAngles = spinAnglesDeg();
        auto curves = spinOfSets(polarSubset(sets.horizontal, spinAngles),
                                 polarSubset(sets.vertical, spinAngles));
        if (!curves) {
            io.report(options.parameterFile + ": " + curves.error());
            return kExitBadInput;
        }
        spin = std::move(*curves);
        sets = PlatePolarSets{polarSubset(sets.horizontal, wanted.angles),
                              polarSubset(sets.vertical, wanted.verticalAngles)};
    }
    auto nonFinite = polarNote(sets.horizontal, wanted.design);
    if (!nonFinite && !sets.vertical.anglesDeg.empty()) {
        nonFinite = polarNote(sets.vertical, wanted.design);
    }
    if (nonFinite) io.report(options.parameterFile + ": " + *nonFinite);
    const int status = writeOutputs(sets, spin, wanted, options, io);
    return nonFinite && status == kExitDone ? kExitWarning : status;
}

}  // namespace

void addPolarCommand(CLI::App& app, Runner& runner) {
    auto options = std::make_shared<PolarOptions>();
    CLI::App* command = app.add_subcommand(
        "polar",
        "Directivity of a rectangular baffle: one FRD file per listening angle "
        "('opbaff hor -30.frd', the names crossover tools import as a horizontal off-axis set), "
        "a sonogram of the level relative to on axis over angle and frequency, and a polar "
        "diagram at a few frequencies: opbaff-sonogram.svg and opbaff-polar.svg. For a speaker "
        "file, each driver's and the summed speaker's sets of both planes about its reference "
        "point, -180 to 180 degrees in 10 degree steps unless --angles and --vertical say "
        "otherwise ('<speaker> <driver> hor 30.frd', '<speaker> sum ver -10.frd').");
    command->add_option("FILE", options->parameterFile, "the parameter file or a speaker file")
        ->capture_default_str();
    addOutputOptions(*command, options->output, true);
    command
        ->add_option("--angles", options->angles,
                     "listening angles in degrees from FROM to TO (both included) in steps of "
                     "STEP, within -180 to 180; positive towards side 1")
        ->type_name("FROM:TO:STEP")
        ->capture_default_str();
    command
        ->add_option("--vertical", options->vertical,
                     "with --model accurate, also the vertical plane through the driver: angles "
                     "from FROM to TO in steps of STEP, within -180 to 180, positive upwards, "
                     "beyond 90 behind the baffle ('<name> ver <angle>.frd')")
        ->type_name("FROM:TO:STEP");
    command->add_flag(
        "--spin", options->spin,
        "with --model accurate, also the spin of ANSI/CTA-2034-A from both orbits at 10 degree "
        "steps (whatever --angles and --vertical ask for): '<name> spin.tsv' (on axis, listening "
        "window, early reflections, sound power, estimated in-room response, both directivity "
        "indices), '<name> spin.svg' and '<name> spin di.svg'");
    command
        ->add_option("--frequencies", options->frequencies,
                     "frequencies of the polar diagram in Hz, separated by commas (each drawn at "
                     "the nearest grid frequency)")
        ->type_name("LIST")
        ->capture_default_str();
    command->add_option("--name", options->name, "the files' names begin with NAME")
        ->type_name("NAME")
        ->capture_default_str();
    command->add_option("--jobs", options->jobs, "compute the angles on N threads")
        ->type_name("N")
        ->check(CLI::Range(1, 1024))
        ->capture_default_str();
    command->callback([options, command, &runner] {
        for (const char* option : kGivenOptions) {
            if (command->count(option) > 0) options->given.emplace_back(option);
        }
        runner = [options](const ToolIo& io) { return runPolar(*options, io); };
    });
}

}  // namespace opbaff::tools
