// opbaff-design optimise: the drivers' places and the baffle's size that give
// a speaker file the smoothest curve in a band, or the one needing the least
// boost, found by a seeded global stage and an NLopt polish.
#include <CLI/CLI.hpp>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"
#include "layout_search.h"
#include "merit.h"
#include "opbaff/speaker_file.h"
#include "output_set.h"
#include "parallel.h"
#include "progress_bar.h"
#include "speaker_unit.h"

namespace opbaff::tools {
namespace {

struct OptimiseOptions {
    std::string speakerFile;
    std::vector<std::string> vary;
    std::string curve = "on-axis";
    std::string goal = "smooth";
    std::string band = "100:2000";
    int grid = 6;
    double maxArea = 0.0;  // in the file's unit squared; 0: any
    int evaluations = 60;
    std::uint64_t seed = 1;
    int jobs = defaultJobs();
    std::string outputDir;  // empty: no files
};

constexpr const char* kTableName = "opbaff-optimise.tsv";
constexpr const char* kBestName = "opbaff-optimise-best.toml";

std::string number(double value, const char* format = "%.6g") {
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), format, value);
    return text.data();
}

LayoutCurve curveOf(const std::string& name) {
    if (name == "listening-window") return LayoutCurve::listeningWindow;
    if (name == "sound-power") return LayoutCurve::soundPower;
    return LayoutCurve::onAxis;
}

Result<LayoutRequest, std::string> requestOf(const OptimiseOptions& options, const Speaker& speaker,
                                             double unitM) {
    LayoutRequest request;
    for (const std::string& text : options.vary) {
        auto variable = parseLayoutVariable(text, speaker, unitM);
        if (!variable) return "--vary " + variable.error();
        request.variables.push_back(std::move(*variable));
    }
    const auto band = parseMeritBand(options.band);
    if (!band) return "--" + band.error();
    request.curve = curveOf(options.curve);
    request.goal = options.goal == "boost" ? LayoutGoal::boost : LayoutGoal::smooth;
    request.fromHz = band->fromHz;
    request.toHz = band->toHz;
    request.pointsPerOctave = options.grid;
    request.maxAreaM2 = options.maxArea * unitM * unitM;
    request.evaluations = options.evaluations;
    request.seed = options.seed;
    request.jobs = options.jobs;
    if (auto problem = layoutRequestProblem(request)) return *problem;
    return request;
}

std::string layoutTsv(const std::string& file, const OptimiseOptions& options,
                      const LayoutRequest& request, const LayoutSearch& search, double unitM,
                      const std::string& unit) {
    std::ostringstream out;
    out << "# opbaff-design optimise " << file << ": goal " << options.goal << ", curve "
        << options.curve << ", band " << options.band << " Hz, " << options.grid
        << " points per octave, seed " << options.seed << "; lengths in " << unit << "\n";
    out << "evaluation\tstage";
    for (const LayoutVariable& v : request.variables) out << '\t' << v.name;
    out << "\tobjective_dB\tfeasible\tnote\n";
    for (std::size_t i = 0; i < search.evaluations.size(); ++i) {
        const LayoutEvaluation& e = search.evaluations[i];
        out << i + 1 << '\t'
            << (e.stage == LayoutEvaluation::Stage::global ? std::string("global")
                                                           : "polish-" + std::to_string(e.run));
        for (const double value : e.valuesM) out << '\t' << number(value / unitM, "%.9g");
        out << '\t' << (e.feasible ? number(e.objective, "%.9g") : std::string("nan")) << '\t'
            << (e.feasible ? "yes" : "no") << '\t' << e.note << '\n';
    }
    return out.str();
}

void printBest(std::ostream& out, const LayoutRequest& request, const LayoutSearch& search,
               const Speaker& best, double unitM, const std::string& unit) {
    const LayoutEvaluation& e = search.evaluations[*search.best];
    out << "best layout (evaluation " << *search.best + 1 << "):";
    for (std::size_t v = 0; v < request.variables.size(); ++v) {
        out << (v == 0 ? " " : ", ") << request.variables[v].name << " = "
            << number(e.valuesM[v] / unitM, "%.2f") << ' ' << unit;
    }
    const auto outline = speakerOutline(best.baffle);
    out << "\n  RMS deviation from its tilt " << number(e.figures.smoothDb, "%.2f") << " dB (tilt "
        << number(e.figures.tiltDbPerDecade, "%.2f")
        << " dB per decade), largest shortfall below the band's median "
        << number(e.figures.boostDb, "%.2f") << " dB";
    if (outline) {
        out << ", baffle area " << number(outlineAreaM2(*outline) / (unitM * unitM), "%.1f") << ' '
            << unit << "^2";
    }
    out << '\n';
    const LayoutEvaluation& own = search.evaluations.front();
    out << "the file's own layout (evaluation 1): "
        << (own.feasible ? "objective " + number(own.objective, "%.2f") + " dB"
                         : "infeasible: " + own.note)
        << '\n';
}

int writeFiles(const std::string& dir, const std::string& table, const std::string& best,
               ToolIo& io) {
    OutputSet set(dir);
    std::optional<std::string> problem = set.add(kTableName, table);
    if (!problem && !best.empty()) problem = set.add(kBestName, best);
    if (!problem) problem = set.commit();
    if (problem) {
        io.report(*problem);
        return kExitWarning;
    }
    return kExitDone;
}

int runOptimise(const OptimiseOptions& options, ToolIo& io) {
    const auto read = readSpeakerFileInUnit(options.speakerFile);
    if (!read) {
        io.report(speakerFileErrorText(read.error()));
        return kExitBadInput;
    }
    const Speaker* speaker = &read->speaker;
    const std::string& unit = read->unit;
    const double unitM = unitMetres(unit);
    const auto request = requestOf(options, *speaker, unitM);
    const auto grid = request ? layoutGrid(*request) : Result<FrequencyGrid, std::string>("");
    if (!request || !grid) {
        io.report(!request ? request.error() : grid.error());
        return kExitBadInput;
    }
    std::optional<ProgressBar> bar;
    std::function<void(std::size_t)> progress;
    if (io.errIsTerminal) {
        bar.emplace(io.err, static_cast<std::size_t>(request->evaluations));
        progress = [&bar](std::size_t done) { bar->update(done); };
    }
    const LayoutSearch search = searchLayout(*speaker, *request, *grid, progress);
    if (bar) bar->finish();
    std::size_t feasible = 0;
    for (const LayoutEvaluation& e : search.evaluations) feasible += e.feasible ? 1 : 0;
    io.out << options.speakerFile << ": " << search.evaluations.size() << " layouts evaluated ("
           << feasible << " feasible), goal " << options.goal << " of the " << options.curve
           << " curve, " << options.band << " Hz on " << options.grid
           << " points per octave (a coarse grid; --grid for a finer one), seed " << options.seed
           << '\n';
    std::string bestText;
    if (search.best) {
        const Speaker best = speakerWithLayout(*speaker, request->variables,
                                               search.evaluations[*search.best].valuesM);
        printBest(io.out, *request, search, best, unitM, unit);
        bestText = speakerFileText(best, unit);
    } else {
        io.report(
            "no layout within the limits given is feasible: " + search.evaluations.front().note +
            " (and so on); widen or move the --vary limits");
    }
    int status = kExitDone;
    if (!options.outputDir.empty()) {
        const std::string table =
            layoutTsv(options.speakerFile, options, *request, search, unitM, unit);
        status = writeFiles(options.outputDir, table, bestText, io);
    }
    return search.best ? status : kExitWarning;
}

}  // namespace

void addOptimiseCommand(CLI::App& app, Runner& runner) {
    auto options = std::make_shared<OptimiseOptions>();
    CLI::App* command = app.add_subcommand(
        "optimise",
        "Search a speaker file's drivers' positions and its baffle's width and height, within "
        "the limits of --vary, for the layout whose curve is smoothest in a band (--goal smooth: "
        "the RMS deviation from its own least-squares tilt over log frequency) or needs the "
        "least boost (--goal boost: the largest shortfall below the band's median level). A "
        "seeded global stage samples the limits on --jobs threads, then NLopt's BOBYQA polishes "
        "the best few. A driver whose piston reaches beyond the baffle, or a baffle above "
        "--max-area, is infeasible: recorded, never solved.");
    command->footer(
        "Lengths in the file's unit (cm or in), --max-area in that unit squared. The search "
        "runs on a coarse grid over the band (6 points per octave unless --grid). The listening "
        "reference point moves with a driver whose centre it is.\n"
        "Files (with --output-dir, written all or nothing): opbaff-optimise.tsv (every layout "
        "evaluated: its values, objective, feasible or not and why) and "
        "opbaff-optimise-best.toml (the best layout as a speaker file).\n"
        "Exit status: 0 a best layout found; 1 no feasible layout, or a file not written; 2 a "
        "bad option or a file that cannot be read.");
    command->add_option("FILE", options->speakerFile, "the speaker file")->required();
    command
        ->add_option("--vary", options->vary,
                     "NAME.x=LOW:HIGH, NAME.y=..., baffle.width=... or baffle.height=...; "
                     "repeat for each value varied")
        ->required();
    command->add_option("--curve", options->curve, "on-axis, listening-window or sound-power")
        ->check(CLI::IsMember({"on-axis", "listening-window", "sound-power"}))
        ->capture_default_str();
    command->add_option("--goal", options->goal, "smooth or boost")
        ->check(CLI::IsMember({"smooth", "boost"}))
        ->capture_default_str();
    command->add_option("--band", options->band, "FROM:TO, the band judged, in Hz")
        ->capture_default_str();
    command->add_option("--grid", options->grid, "the search's points per octave, 1 to 96")
        ->capture_default_str();
    command
        ->add_option("--max-area", options->maxArea,
                     "the baffle's largest area, in the file's unit squared; 0: any")
        ->capture_default_str();
    command->add_option("--evaluations", options->evaluations, "the layouts evaluated in all")
        ->capture_default_str();
    command->add_option("--seed", options->seed, "the global stage's seed")->capture_default_str();
    command->add_option("--jobs", options->jobs, "evaluate layouts on N threads")
        ->type_name("N")
        ->check(CLI::Range(1, 1024))
        ->capture_default_str();
    command->add_option("--output-dir", options->outputDir,
                        "write opbaff-optimise.tsv and opbaff-optimise-best.toml here");
    command->callback([options, &runner] {
        runner = [options](ToolIo& io) { return runOptimise(*options, io); };
    });
}

}  // namespace opbaff::tools
