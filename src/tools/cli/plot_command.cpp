// opbaff-design plot: one FRD file per response column and a plot of the
// levels, from one parameter file.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <string>

#include "command_line.h"
#include "frd.h"
#include "grid_option.h"
#include "level_warnings.h"
#include "opbaff/opbaff.h"
#include "parameter_source.h"
#include "response_columns.h"
#include "speaker_commands.h"
#include "words.h"

namespace opbaff::tools {
namespace {

struct PlotOptions {
    std::string parameterFile = "Opbaffin.txt";
    OutputOptions output;
    std::string columns;  // comma-separated names or numbers; empty: every response
};

std::vector<Curve> curvesOf(const Response& response, const std::vector<OutputColumn>& columns) {
    std::vector<Curve> curves(columns.size());
    std::transform(columns.begin(), columns.end(), curves.begin(), [&](const OutputColumn& c) {
        return Curve{c.label, response.frequenciesHz, response.columns[c.index].levelsDb, false};
    });
    markCoincidingCurves(curves);
    return curves;
}

std::vector<std::size_t> indicesOf(const std::vector<OutputColumn>& columns) {
    std::vector<std::size_t> indices(columns.size());
    std::transform(columns.begin(), columns.end(), indices.begin(),
                   [](const OutputColumn& c) { return c.index; });
    return indices;
}

// Reads the file, writes the FRD files of the chosen columns and the plot
// "opbaff-response.svg" (".png") as one set, and returns the exit status.
int runPlot(const PlotOptions& options, const ToolIo& io) {
    if (isSpeakerFile(options.parameterFile)) {
        if (!options.columns.empty()) {
            io.report("--columns: a speaker file gives each driver and the sum");
            return kExitBadInput;
        }
        return runSpeakerPlot(options.parameterFile, options.output, io);
    }
    const auto file = loadParameterFile(options.parameterFile);
    if (!file) {
        io.report(file.error());
        return kExitBadInput;
    }
    const Design& design = file->design;
    const auto grid = parseGridOption(options.output.grid);
    const auto columns = selectColumns(design, options.columns);
    if (!grid || !columns) {
        io.report(!grid ? grid.error() : columns.error());
        return kExitBadInput;
    }
    const auto computed =
        responseOn(options.output.modelChoice(), design, *grid, options.output.highPass());
    if (!computed) {
        io.report(options.parameterFile + ": " + computed.error());
        return kExitBadInput;
    }
    const Response& response = *computed;
    const PhaseMode phase = options.output.phaseMode();
    const auto nonFinite = levelWarning(response, indicesOf(*columns), design);
    if (nonFinite) io.report(options.parameterFile + ": " + *nonFinite);

    OutputSet set(options.output.outputDir);
    for (const OutputColumn& column : *columns) {
        auto comments = frdComments(column.description, design, options.parameterFile);
        for (const std::string& words : {highPassWords(options.output.highPass()),
                                         modelChoiceWords(options.output.modelChoice())}) {
            if (!words.empty()) comments.insert(comments.begin() + 1, words);
        }
        const std::string text = frdText(response, column.index, design, phase, comments);
        if (!hasDataLine(text)) {
            io.report(column.fileName + ": no finite line to write; nothing written");
            return kExitWarning;
        }
        if (auto problem = set.add(column.fileName, text)) {
            io.report(*problem);
            return kExitWarning;
        }
    }
    const PlotFormat format = options.output.format();
    const std::vector<Curve> curves = curvesOf(response, *columns);
    const std::string title =
        plotTitle(design) +
        (options.output.modelChoice() == ModelChoice::accurate ? " (accurate model)" : "") +
        highPassTitle(options.output.highPass());
    const Picture plot{std::string("opbaff-response") + pictureExtension(format), format,
                       [&] { return responsePlotScript(curves, title, format); }};
    const int status = drawAndCommit(set, {plot}, io);
    return nonFinite && status == kExitDone ? kExitWarning : status;
}

}  // namespace

void addPlotCommand(CLI::App& app, Runner& runner) {
    auto options = std::make_shared<PlotOptions>();
    CLI::App* command = app.add_subcommand(
        "plot",
        "Write one FRD file per response column (frequency, level, phase) and a plot of the "
        "levels: opbaff-<column>.frd and opbaff-response.svg. A speaker file gives each "
        "driver and the sum on axis at its listening distance: opbaff-driver-<name>.frd, "
        "opbaff-sum.frd and the plot.");
    command->add_option("FILE", options->parameterFile, "the parameter file or a speaker file")
        ->capture_default_str();
    addOutputOptions(*command, options->output, true);
    command->add_option("--columns", options->columns,
                        "the columns to write and draw, by number (1-4) or name (on-axis, "
                        "round-baffle, off-axis, no-path, ...), separated by commas; "
                        "default: every response");
    command->callback([options, &runner] {
        runner = [options](const ToolIo& io) { return runPlot(*options, io); };
    });
}

}  // namespace opbaff::tools
