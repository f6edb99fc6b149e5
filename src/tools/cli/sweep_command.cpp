// opbaff-design sweep and compare: many designs, each judged by its figures of
// merit in a table on standard output, with an FRD file each and an overlay
// plot of the judged column if asked for.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>

#include "command_line.h"
#include "frd.h"
#include "grid_option.h"
#include "opbaff/opbaff.h"
#include "parallel.h"
#include "parameter_source.h"
#include "plot.h"
#include "progress_bar.h"
#include "response_columns.h"
#include "speaker_commands.h"
#include "speaker_sweep.h"
#include "variants.h"
#include "words.h"

namespace opbaff::tools {
namespace {

// Without --plot or --no-plot, runs of at most this many designs are drawn.
constexpr std::size_t kDefaultPlotLimit = 20;

// The options sweep and compare share.
struct VariantOptions {
    OutputOptions output;
    std::string column = "on-axis";
    std::string band = meritBandText(MeritBand{});
    int jobs = defaultJobs();
    bool frd = false;
    bool plot = false;
    bool noPlot = false;
};

struct SweepOptions {
    std::string parameterFile = "Opbaffin.txt";
    std::vector<std::string> specs;
    VariantOptions common;
};

struct CompareOptions {
    std::vector<std::string> files;
    VariantOptions common;
};

// The designs of a run, each with its judged column chosen, and how to name
// what the run writes.
struct VariantRun {
    std::vector<Variant> variants;
    std::vector<std::string> fieldNames;  // a sweep's varied fields, the table's columns
    std::string picture;                  // the plot's name without its extension
    std::string title;
};

// The column's label and description for the design's model.
OutputColumn outputColumn(const Design& design, std::size_t column) {
    const std::vector<OutputColumn> columns = outputColumns(design);
    const auto found = std::find_if(columns.begin(), columns.end(),
                                    [&](const OutputColumn& c) { return c.index == column; });
    return found == columns.end() ? OutputColumn{} : *found;
}

// A figure as the table writes it: "nan" where it is undefined.
std::string floatCell(float value) {
    return std::isnan(value) ? std::string("nan") : shortNumber(value);
}

// A name on one table cell: tabs and line ends become blanks.
std::string cellText(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

void writeTable(std::ostream& out, const VariantRun& run,
                const std::vector<VariantResult>& results) {
    out << "variant";
    for (const std::string& name : run.fieldNames) out << '\t' << name;
    for (const MeritFigure& figure : kMeritFigures) out << '\t' << figure.column;
    out << "\tnotes\n";
    for (std::size_t i = 0; i < results.size(); ++i) {
        const Variant& variant = run.variants[i];
        out << cellText(variant.name);
        for (const float value : variant.values) out << '\t' << floatCell(value);
        for (const MeritFigure& figure : kMeritFigures) {
            out << '\t' << meritText(figure.value(results[i].merit));
        }
        out << '\t' << cellText(results[i].note) << '\n';
    }
}

// Each design whose figures may mean nothing, by name, a few at most, and the
// count of the others.
bool reportNotes(const VariantRun& run, const std::vector<VariantResult>& results,
                 const ToolIo& io) {
    constexpr std::size_t kShown = 10;
    std::size_t count = 0;
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (results[i].note.empty()) continue;
        if (++count <= kShown)
            io.report(visibleText(run.variants[i].name) + ": " + results[i].note);
    }
    if (count > kShown) {
        io.report("and " + std::to_string(count - kShown) + " more designs with such a note");
    }
    return count > 0;
}

// "<safe name>.frd" for each variant, "-2", "-3", ... added to names taken before.
std::vector<std::string> frdFileNames(const std::vector<Variant>& variants) {
    std::set<std::string> taken;
    std::vector<std::string> names;
    for (const Variant& variant : variants) {
        const std::string stem = fileSafeName(variant.name);
        std::string name = stem + ".frd";
        for (int n = 2; taken.contains(name); ++n) name = stem + "-" + std::to_string(n) + ".frd";
        taken.insert(name);
        names.push_back(name);
    }
    return names;
}

std::optional<std::string> addFrdFiles(OutputSet& set, const VariantRun& run,
                                       const std::vector<VariantResult>& results,
                                       const OutputOptions& output) {
    const std::vector<std::string> names = frdFileNames(run.variants);
    const PhaseMode phase = output.phaseMode();
    for (std::size_t i = 0; i < results.size(); ++i) {
        const Variant& v = run.variants[i];
        auto comments =
            frdComments(outputColumn(v.design, v.column).description, v.design, v.source);
        for (const std::string& words :
             {highPassWords(output.highPass()), modelChoiceWords(output.modelChoice())}) {
            if (!words.empty()) comments.insert(comments.begin() + 1, words);
        }
        const std::string text = frdText(results[i].response, v.column, v.design, phase, comments);
        if (!hasDataLine(text)) {
            return visibleText(names[i]) + ": no finite line to write; nothing written";
        }
        if (auto problem = set.add(names[i], text)) return problem;
    }
    return std::nullopt;
}

std::vector<Curve> curvesOf(const VariantRun& run, const std::vector<VariantResult>& results) {
    std::vector<Curve> curves;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const Response& response = results[i].response;
        curves.push_back({run.variants[i].name, response.frequenciesHz,
                          response.columns[run.variants[i].column].levelsDb, false});
    }
    markCoincidingCurves(curves);
    return curves;
}

// The FRD files and the plot asked for, as one set.
int writeFiles(const VariantRun& run, const std::vector<VariantResult>& results,
               const VariantOptions& options, bool plot, const ToolIo& io) {
    OutputSet set(options.output.outputDir);
    if (options.frd) {
        if (auto problem = addFrdFiles(set, run, results, options.output)) {
            io.report(*problem);
            return kExitWarning;
        }
    }
    std::vector<Picture> pictures;
    const PlotFormat format = options.output.format();
    const std::vector<Curve> curves = plot ? curvesOf(run, results) : std::vector<Curve>{};
    const std::string title = run.title + highPassTitle(options.output.highPass());
    if (plot) {
        pictures.push_back({run.picture + pictureExtension(format), format,
                            [&] { return responsePlotScript(curves, title, format); }});
    }
    return drawAndCommit(set, pictures, io);
}

// Evaluates the designs, writes the table and the files.
int runVariants(const VariantRun& run, const VariantOptions& options, ToolIo& io) {
    const auto grid = parseGridOption(options.output.grid);
    if (!grid) {
        io.report(grid.error());
        return kExitBadInput;
    }
    const auto band = parseMeritBand(options.band);
    if (!band) {
        io.report("--" + band.error());
        return kExitBadInput;
    }
    const bool plot = options.plot || (!options.noPlot && run.variants.size() <= kDefaultPlotLimit);
    EvaluationSettings settings{*grid, options.frd || plot,          options.jobs,
                                {},    options.output.modelChoice(), options.output.highPass(),
                                *band};
    std::optional<ProgressBar> bar;
    if (io.errIsTerminal) {
        bar.emplace(io.err, run.variants.size());
        settings.progress = [&bar](std::size_t done) { bar->update(done); };
    }
    const std::vector<VariantResult> results = evaluateVariants(run.variants, settings);
    if (bar) bar->finish();
    writeTable(io.out, run, results);
    const bool noted = reportNotes(run, results, io);
    const int status =
        options.frd || plot ? writeFiles(run, results, options, plot, io) : kExitDone;
    return noted && status == kExitDone ? kExitWarning : status;
}

// "Sweep of angle 0 to 60: <column>": the swept fields and their ranges, and
// the column's label when the sweep leaves it as it is; when the label holds
// a swept value (the listening angle, the round baffle), the column's name.
std::string sweepTitle(const Design& base, std::size_t column, const std::vector<SweepSpec>& specs,
                       const std::vector<Variant>& variants) {
    std::string title;
    for (const SweepSpec& spec : specs) {
        title += (title.empty() ? "Sweep of " : ", ") + std::string(spec.field->name) + " " +
                 shortNumber(spec.values.front());
        if (spec.values.size() > 1) title += " to " + shortNumber(spec.values.back());
    }
    const std::string label = outputColumn(base, column).label;
    const bool same = std::all_of(variants.begin(), variants.end(), [&](const Variant& v) {
        return outputColumn(v.design, column).label == label;
    });
    return title + ": " + (same ? label : responseName(responseKinds(base.model)[column]));
}

// A speaker file's sweep over its own fields.
int runSpeakerFileSweep(const std::string& fileName, std::vector<std::string> specs,
                        const VariantOptions& common, ToolIo& io) {
    if (common.column != "on-axis") {
        io.report("--column: a speaker file's sweep judges the sum on axis");
        return kExitBadInput;
    }
    const SpeakerSweepOptions options{fileName,    std::move(specs), common.output, common.band,
                                      common.jobs, common.frd,       common.plot,   common.noPlot};
    return runSpeakerSweep(options, io);
}

int runSweep(const SweepOptions& options, ToolIo& io) {
    // A first argument without '=' names the file: a speaker file, or a
    // parameter file in place of --file.
    std::string fileName = options.parameterFile;
    std::vector<std::string> texts = options.specs;
    if (!texts.empty() && texts.front().find('=') == std::string::npos) {
        fileName = texts.front();
        texts.erase(texts.begin());
    }
    if (isSpeakerFile(fileName)) return runSpeakerFileSweep(fileName, texts, options.common, io);
    std::vector<SweepSpec> specs;
    for (const std::string& text : texts) {
        auto spec = parseSweepSpec(text);
        if (!spec) {
            io.report(spec.error());
            return kExitBadInput;
        }
        specs.push_back(std::move(spec).value());
    }
    const auto file = loadParameterFile(fileName);
    if (!file) {
        io.report(file.error());
        return kExitBadInput;
    }
    const Design& base = file->design;
    const auto column = columnByName(base.model, options.common.column);
    auto variants = sweepVariants(base, fileName, specs);
    if (!column || !variants) {
        io.report(!column ? column.error() : variants.error());
        return kExitBadInput;
    }
    VariantRun run{std::move(variants).value(), {}, "opbaff-sweep", {}};
    for (Variant& variant : run.variants) variant.column = *column;
    for (const SweepSpec& spec : specs) run.fieldNames.emplace_back(spec.field->name);
    run.title = sweepTitle(base, *column, specs, run.variants);
    return runVariants(run, options.common, io);
}

int runCompare(const CompareOptions& options, ToolIo& io) {
    const std::vector<std::string> names = distinctFileNames(options.files);
    VariantRun run{{}, {}, "opbaff-compare", {}};
    std::set<std::string> labels;
    for (std::size_t i = 0; i < options.files.size(); ++i) {
        const auto file = loadParameterFile(options.files[i]);
        if (!file) {
            io.report(file.error());
            return kExitBadInput;
        }
        const auto column = columnByName(file->design.model, options.common.column);
        if (!column) {
            io.report(options.files[i] + ": " + column.error());
            return kExitBadInput;
        }
        labels.insert(outputColumn(file->design, *column).label);
        run.variants.push_back({names[i], file->design, {}, options.files[i], *column});
    }
    run.title = "Comparison of " + std::to_string(run.variants.size()) + " designs";
    if (labels.size() == 1) run.title += ": " + *labels.begin();
    return runVariants(run, options.common, io);
}

void addVariantOptions(CLI::App& command, VariantOptions& options) {
    addOutputOptions(command, options.output, true);
    command
        .add_option("--column", options.column,
                    "the response column judged and drawn, by number (1-4) or name (on-axis, "
                    "round-baffle, off-axis, no-path, ...)")
        ->capture_default_str();
    command
        .add_option("--band", options.band,
                    "the passband the figures of merit are measured against, in Hz: its median "
                    "level is the passband level")
        ->type_name("FROM:TO")
        ->capture_default_str();
    command.add_option("--jobs", options.jobs, "designs computed at the same time")
        ->check(CLI::Range(1, 1024))
        ->capture_default_str();
    command.add_flag("--frd", options.frd,
                     "write one FRD file of the judged column per design, '<design name>.frd'");
    CLI::Option* plot = command.add_flag(
        "--plot", options.plot,
        "draw the judged column of every design in one plot (default: when there are at "
        "most " +
            std::to_string(kDefaultPlotLimit) + " designs)");
    command.add_flag("--no-plot", options.noPlot, "draw no plot")->excludes(plot);
}

const char* const kTableWords =
    "Standard output: a table, tab-separated, with a header row and a row per design: its "
    "name";
// The figures' columns and meanings, from the table of figures.
std::string meritWords() {
    std::string words =
        ", then its figures of merit, measured against the passband level, the median level "
        "of the band (--band):";
    for (const MeritFigure& figure : kMeritFigures) {
        words += std::string(" ") + figure.column + ", " + figure.meaning + ";";
    }
    words.back() = '.';
    return words +
           " A figure that is not defined is written 'nan'. The last column, notes, is empty or "
           "says why a design's figures may mean nothing: levels that are not finite, with the "
           "values that give them (status 1).\n";
}

}  // namespace

void addSweepCommands(CLI::App& app, Runner& runner) {
    auto sweep = std::make_shared<SweepOptions>();
    CLI::App* command = app.add_subcommand(
        "sweep", "Vary fields of a design over ranges and judge every combination.");
    command
        ->add_option("NAME=FROM:TO:STEP", sweep->specs,
                     "a field and its values FROM, FROM+STEP, ... up to TO, in the parameter "
                     "file's units; fields: " +
                         sweepFieldNames() +
                         " (or the parameter file's names). Several give every combination, "
                         "the first varying slowest. A first argument without '=' is the file: "
                         "a parameter file, or a speaker file with the fields " +
                         speakerSweepFieldNames() + " (lengths in the file's unit).")
        ->required();
    command->add_option("--file", sweep->parameterFile, "the base design's parameter file")
        ->capture_default_str();
    addVariantOptions(*command, sweep->common);
    command->footer(std::string(kTableWords) + ", the values of the swept fields" + meritWords());
    command->callback(
        [sweep, &runner] { runner = [sweep](ToolIo& io) { return runSweep(*sweep, io); }; });

    auto compare = std::make_shared<CompareOptions>();
    command = app.add_subcommand("compare", "Judge parameter files side by side.");
    command->add_option("FILE", compare->files, "the parameter files")->required();
    addVariantOptions(*command, compare->common);
    command->footer(std::string(kTableWords) + " (its file name)" + meritWords());
    command->callback([compare, &runner] {
        runner = [compare](ToolIo& io) { return runCompare(*compare, io); };
    });
}

}  // namespace opbaff::tools
