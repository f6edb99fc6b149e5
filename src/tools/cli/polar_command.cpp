// opbaff-design polar: the directivity of a rectangular baffle as one FRD file
// per listening angle, a sonogram and a polar diagram, from one parameter file.
#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "finite_levels.h"
#include "frd.h"
#include "grid_option.h"
#include "opbaff/opbaff.h"
#include "parallel.h"
#include "parameter_source.h"
#include "polar.h"
#include "polar_plots.h"

namespace opbaff::tools {
namespace {

struct PolarOptions {
    std::string parameterFile = "Opbaffin.txt";
    OutputOptions output;
    std::string angles = "-90:90:5";
    std::string frequencies = "250,500,1000,2000,4000";
    std::string name = "opbaff";
    int jobs = defaultJobs();
};

// What the command line asks for, read and checked.
struct PolarRequest {
    Design design;
    FrequencyGrid grid = FrequencyGrid::standard();
    std::vector<float> angles;
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
    return PolarRequest{file->design, std::move(grid).value(), std::move(angles).value(),
                        std::move(frequencies).value()};
}

// One FRD file per angle, each the column 3 the program writes for it.
std::optional<std::string> addFrdFiles(OutputSet& files, const PolarSet& set,
                                       const PolarOptions& options, const Design& design) {
    const PhaseMode phase = options.output.phaseMode();
    for (std::size_t k = 0; k < set.anglesDeg.size(); ++k) {
        Design heard = design;
        heard.offAxisAngleDeg = set.anglesDeg[k];
        const auto comments = frdComments(
            "rectangular baffle heard " + angleText(set.anglesDeg[k]) + " degrees off axis", heard,
            options.parameterFile);
        const std::string text = frdText(offAxisResponse(set, k), 2, heard, phase, comments);
        const std::string name = polarFileName(options.name, set.anglesDeg[k]);
        if (!hasDataLine(text)) return name + ": no finite line to write; nothing written";
        if (auto problem = files.add(name, text)) {
            return problem;
        }
    }
    return std::nullopt;
}

// Nothing when every level of the set is finite, else what nonFiniteNote says
// of the angles' levels.
std::optional<std::string> polarNote(const PolarSet& set, const Design& design) {
    Response all;
    for (const std::vector<float>& levels : set.levelsDb) {
        all.columns[0].levelsDb.insert(all.columns[0].levelsDb.end(), levels.begin(), levels.end());
    }
    return nonFiniteNote(all, {0}, design);
}

std::vector<Picture> picturesOf(const PolarSet& set, const PolarRequest& request,
                                const PolarOptions& options) {
    const PlotFormat format = options.output.format();
    const std::string title = polarTitle(request.design);
    const std::vector<std::size_t> chosen =
        chosenFrequencies(set.frequenciesHz, request.frequencies);
    return {
        {options.name + "-sonogram" + pictureExtension(format), format,
         [&set, format, title] {
             return sonogramScript(set, "Level relative to on axis: " + title, format);
         }},
        {options.name + "-polar" + pictureExtension(format), format,
         [&set, chosen, format, title] {
             return polarPlotScript(set, chosen, "Directivity: " + title, format);
         }},
    };
}

int writeOutputs(const PolarSet& set, const PolarRequest& request, const PolarOptions& options,
                 const ToolIo& io) {
    OutputSet files(options.output.outputDir);
    if (auto problem = addFrdFiles(files, set, options, request.design)) {
        io.report(*problem);
        return kExitWarning;
    }
    return drawAndCommit(files, picturesOf(set, request, options), io);
}

int runPolar(const PolarOptions& options, const ToolIo& io) {
    const auto request = readRequest(options);
    if (!request) {
        io.report(request.error());
        return kExitBadInput;
    }
    const PolarRequest& wanted = *request;
    const auto set = computePolarSet(wanted.design, wanted.grid, wanted.angles, options.jobs);
    if (!set) {
        io.report(options.parameterFile + ": " + set.error());
        return kExitBadInput;
    }
    const auto nonFinite = polarNote(*set, wanted.design);
    if (nonFinite) io.report(options.parameterFile + ": " + *nonFinite);
    const int status = writeOutputs(*set, wanted, options, io);
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
        "diagram at a few frequencies: opbaff-sonogram.svg and opbaff-polar.svg.");
    command->add_option("FILE", options->parameterFile, "the parameter file")
        ->capture_default_str();
    addOutputOptions(*command, options->output, true);
    command
        ->add_option("--angles", options->angles,
                     "listening angles in degrees from FROM to TO (both included) in steps of "
                     "STEP, within -180 to 180; positive towards side 1")
        ->type_name("FROM:TO:STEP")
        ->capture_default_str();
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
    command->callback([options, &runner] {
        runner = [options](const ToolIo& io) { return runPolar(*options, io); };
    });
}

}  // namespace opbaff::tools
