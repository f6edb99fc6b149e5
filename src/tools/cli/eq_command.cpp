// opbaff-design eq: the equaliser a design's response needs, fitted and
// written in the formats DSPs and software equalisers read.
#include <CLI/CLI.hpp>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "command_line.h"
#include "eq_exports.h"
#include "eq_fit.h"
#include "grid_option.h"
#include "merit.h"
#include "opbaff/opbaff.h"
#include "output_set.h"
#include "parallel.h"
#include "parameter_source.h"
#include "plot.h"
#include "polar.h"
#include "response_columns.h"
#include "speaker_commands.h"
#include "speaker_curves.h"
#include "spin_curves.h"
#include "words.h"

namespace opbaff::tools {
namespace {

struct EqOptions {
    std::string parameterFile = "Opbaffin.txt";
    std::string column = "on-axis";
    std::string curve = "on-axis";  // or a spin curve: listening-window, sound-power
    std::string grid = "24";
    std::string model = "classic";
    std::string band = "40:2000";
    double tilt = 0.0;
    int filters = 6;
    double maxBoost = 12.0;
    double maxQ = 4.0;
    double highPass = 0.0;  // 0: none
    double tolerance = 1.0;
    std::string outputDir;  // empty: no files
    bool png = false;
    std::string writeSpeaker;  // a speaker file's output with the fitted chain; empty: none
    bool force = false;        // --write-speaker may replace the input
};

// A speaker file's chain is fitted at this rate, where the biquads lie within
// 0.001 dB of the analog prototypes the speaker file holds up to 20 kHz (the
// bilinear transform's frequency warping is (pi f / fs)^2 / 3 relative: 6e-4
// at 20 kHz); the exports are still made at their own rates.
constexpr double kSpeakerFitRateHz = 1536000.0;

std::string fixed(double value, int decimals) {
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
    return text.data();
}

void printFilters(std::ostream& out, const EqFit& fit) {
    out << " # type        frequency_Hz  gain_dB  Q\n";
    for (std::size_t i = 0; i < fit.filters.size(); ++i) {
        const Filter& f = fit.filters[i];
        std::array<char, 96> line{};
        std::snprintf(line.data(), line.size(), "%2zu %-11s %12.2f %8.2f  %.3f\n", i + 1,
                      filterKindName(f.kind), f.frequencyHz,
                      f.kind == FilterKind::highPass ? 0.0 : f.gainDb, f.q);
        out << line.data();
    }
}

// Why the fit stays outside the tolerance, when a limit explains it.
std::string shortfall(const EqFit& fit, const EqRequest& request, double tolerance) {
    if (fit.neededBoostDb > request.maxBoostDb + tolerance) {
        return "the response lies " + fixed(fit.neededBoostDb, 2) +
               " dB below the target in the band, more than the " + fixed(request.maxBoostDb, 1) +
               " dB of boost allowed (--max-boost): the band's low end cannot reach it";
    }
    return "more filters (--filters), a higher Q (--max-q) or a narrower band may reach it";
}

// The raw response, the equalised one, the equaliser and the target, for the
// plot of the fit.
std::vector<Curve> eqCurves(const std::vector<float>& f, const std::vector<float>& raw,
                            const std::string& label, const EqFit& fit, const EqRequest& request) {
    std::vector<float> chain;
    std::vector<float> equalised;
    std::vector<float> target;
    std::vector<float> bandHz;
    for (std::size_t i = 0; i < f.size(); ++i) {
        const double level = chainLevelDb(fit.filters, f[i], request.sampleRateHz);
        chain.push_back(static_cast<float>(level));
        equalised.push_back(static_cast<float>(raw[i] + level));
        if (f[i] < request.lowHz || f[i] > request.highHz) continue;
        bandHz.push_back(f[i]);
        target.push_back(static_cast<float>(fit.targetLevelDb +
                                            request.tiltDbPerDecade * std::log10(f[i] / 1000.0)));
    }
    return {{label, f, raw, false},
            {"equalised", f, equalised, false},
            {"equaliser", f, chain, true},
            {"target", bandHz, target, true}};
}

// The levels the equaliser is fitted to, with the words naming them.
struct FittedCurve {
    std::vector<float> frequenciesHz;
    std::vector<float> levelsDb;
    std::string label;
};

// A column of the response on the chosen model.
Result<FittedCurve, std::string> columnLevels(const EqOptions& options, const Design& design,
                                              const FrequencyGrid& grid) {
    const auto column = columnByName(design.model, options.column);
    if (!column) return column.error();
    const ModelChoice model =
        options.model == "accurate" ? ModelChoice::accurate : ModelChoice::classic;
    auto response = responseOn(model, design, grid);
    if (!response) return options.parameterFile + ": " + response.error();
    std::string label;
    for (const OutputColumn& c : outputColumns(design)) {
        if (c.index == *column) label = c.label;
    }
    return FittedCurve{std::move(response->frequenciesHz),
                       std::move(response->columns[*column].levelsDb), label};
}

// A curve of the spin, from both orbits on the accurate model.
Result<FittedCurve, std::string> spinLevels(const EqOptions& options, const Design& design,
                                            const FrequencyGrid& grid) {
    const std::vector<float> angles = spinAnglesDeg();
    const auto sets = computePlatePolarSets(design, grid, angles, angles, defaultJobs());
    if (!sets) return options.parameterFile + ": " + sets.error();
    const auto spin = spinOfSets(sets->horizontal, sets->vertical);
    if (!spin) return options.parameterFile + ": " + spin.error();
    const bool power = options.curve == "sound-power";
    const std::vector<double>& levels = power ? spin->soundPowerDb : spin->listeningWindowDb;
    return FittedCurve{
        sets->horizontal.frequenciesHz,
        {levels.begin(), levels.end()},
        std::string("Rectangular baffle, ") + (power ? "sound power" : "listening window")};
}

// Why the command line's curve cannot be had, or nothing.
std::optional<std::string> curveProblem(const EqOptions& options) {
    if (options.curve == "on-axis") return std::nullopt;
    if (options.model != "accurate") {
        return "--curve " + options.curve +
               ": the spin's curves need both orbits all round the baffle, which only the "
               "accurate model hears (--model accurate)";
    }
    if (options.column != "on-axis") return std::string("--column: only with --curve on-axis");
    return std::nullopt;
}

// The sum of a speaker without its own chain, on axis or a spin curve from its
// orbits at the listening distance.
Result<FittedCurve, std::string> speakerLevels(const EqOptions& options, const Speaker& raw) {
    const auto model = speakerModelOnItsGrid(raw);
    if (!model) return options.parameterFile + ": " + model.error();
    const std::string name = visibleText(raw.name.empty() ? options.parameterFile : raw.name);
    if (options.curve == "on-axis") {
        const auto heard = speakerOnAxis(*model);
        if (!heard) return options.parameterFile + ": " + heard.error();
        return FittedCurve{heard->frequenciesHz, levelsDbOf(heard->sum), name + ", sum on axis"};
    }
    const auto sets = speakerOrbits(*model, spinAnglesDeg(), defaultJobs());
    if (!sets) return options.parameterFile + ": " + sets.error();
    const auto spin = spinOfSets(sets->horizontal, sets->vertical);
    if (!spin) return options.parameterFile + ": " + spin.error();
    const bool power = options.curve == "sound-power";
    const std::vector<double>& levels = power ? spin->soundPowerDb : spin->listeningWindowDb;
    return FittedCurve{sets->horizontal.frequenciesHz,
                       {levels.begin(), levels.end()},
                       name + (power ? ", sound power" : ", listening window")};
}

// Why the command line does not fit a speaker file, or nothing.
std::optional<std::string> speakerProblem(const EqOptions& options) {
    if (options.column != "on-axis") return std::string("--column: a speaker file gives its sum");
    if (options.grid != "24") return std::string("--grid: a speaker file brings its own [grid]");
    if (options.writeSpeaker.empty()) return std::nullopt;
    const std::filesystem::path out(options.writeSpeaker);
    if (out.filename().empty() || out.filename() == "." || out.filename() == "..") {
        return "--write-speaker '" + visibleText(options.writeSpeaker) + "': not a file name";
    }
    std::error_code code;
    if (!options.force && std::filesystem::equivalent(options.parameterFile, out, code)) {
        return "--write-speaker '" + visibleText(options.writeSpeaker) +
               "' is the input speaker file: name another file, or add --force to replace it";
    }
    return std::nullopt;
}

// The speaker with the fitted chain as its own, written in its file's unit as
// one output set of its folder.
int writeSpeaker(const EqOptions& options, const SpeakerInUnit& raw, const EqFit& fit,
                 const ToolIo& io) {
    Speaker speaker = raw.speaker;
    speaker.filters.clear();
    for (const Filter& filter : fit.filters) {
        speaker.filters.push_back({SpeakerFilter::Kind::biquad, 2, filter.frequencyHz, filter});
    }
    const std::filesystem::path out(options.writeSpeaker);
    OutputSet set(out.parent_path().string());
    auto problem = set.add(out.filename().string(), speakerFileText(speaker, raw.unit));
    if (!problem) problem = set.commit();
    if (problem) {
        io.report(*problem);
        return kExitWarning;
    }
    return kExitDone;
}

Result<FittedCurve, std::string> curveLevels(const EqOptions& options, const Design& design,
                                             const FrequencyGrid& grid) {
    if (options.curve == "on-axis") return columnLevels(options, design, grid);
    return spinLevels(options, design, grid);
}

// The curve to fit: a speaker file's (read into `speaker`, its own chain left
// out and said so) or a parameter file's.
Result<FittedCurve, std::string> inputCurve(const EqOptions& options, const FrequencyGrid& grid,
                                            bool speakerInput,
                                            std::optional<SpeakerInUnit>& speaker,
                                            const ToolIo& io) {
    if (!speakerInput) {
        const auto file = loadParameterFile(options.parameterFile);
        if (!file) return file.error();
        return curveLevels(options, file->design, grid);
    }
    auto read = readSpeakerFileInUnit(options.parameterFile);
    if (!read) return speakerFileErrorText(read.error());
    speaker = std::move(read).value();
    if (!speaker->speaker.filters.empty()) {
        io.report(options.parameterFile + ": its own " +
                  std::to_string(speaker->speaker.filters.size()) +
                  " [[filter]] left out: the chain is fitted to the speaker without them");
        speaker->speaker.filters.clear();
    }
    return speakerLevels(options, speaker->speaker);
}

int runEq(const EqOptions& options, ToolIo& io) {
    const auto band = parseMeritBand(options.band);
    const auto grid = parseGridOption(options.grid);
    if (!band || !grid) {
        io.report(!band ? "--band: " + band.error() : grid.error());
        return kExitBadInput;
    }
    EqRequest request{band->fromHz,     band->toHz,   options.tilt, options.filters,
                      options.maxBoost, options.maxQ, std::nullopt, 48000.0};
    if (options.highPass > 0.0) request.highPassHz = options.highPass;
    const bool speakerInput = isSpeakerFile(options.parameterFile);
    if (speakerInput) request.sampleRateHz = kSpeakerFitRateHz;
    const auto refusal =
        speakerInput ? speakerProblem(options)
        : options.writeSpeaker.empty()
            ? curveProblem(options)
            : std::optional<std::string>("--write-speaker: only for a speaker file");
    if (refusal) {
        io.report(*refusal);
        return kExitBadInput;
    }
    if (const auto bad = eqRequestProblem(request)) {
        io.report(*bad);
        return kExitBadInput;
    }
    std::optional<SpeakerInUnit> speaker;
    const auto curve = inputCurve(options, *grid, speakerInput, speaker, io);
    if (!curve) {
        io.report(curve.error());
        return kExitBadInput;
    }
    const std::string& label = curve->label;
    const auto fit = fitEqualiser(curve->frequenciesHz, curve->levelsDb, request);
    if (!fit) {
        io.report(options.parameterFile + ": " + fit.error());
        return kExitBadInput;
    }
    io.out << options.parameterFile << ": " << label << ", " << fixed(request.lowHz, 0) << " to "
           << fixed(request.highHz, 0) << " Hz, target " << fixed(fit->targetLevelDb, 2)
           << " dB at 1 kHz"
           << (request.tiltDbPerDecade != 0.0
                   ? " tilted " + fixed(request.tiltDbPerDecade, 2) + " dB per decade"
                   : std::string(", flat"))
           << "\n";
    printFilters(io.out, *fit);
    io.out << "deviation from the target in the band: max " << fixed(fit->maxDeviationDb, 2)
           << " dB, RMS " << fixed(fit->rmsDeviationDb, 2) << " dB\n"
           << "peak boost " << fixed(fit->peakBoostDb, 2) << " dB (limit "
           << fixed(request.maxBoostDb, 1) << "); boost the target needs "
           << fixed(fit->neededBoostDb, 2) << " dB\n";
    const bool reached = fit->maxDeviationDb <= options.tolerance;
    if (!reached) {
        io.report("not within +-" + fixed(options.tolerance, 2) +
                  " dB of the target: " + shortfall(*fit, request, options.tolerance));
    }
    if (!options.outputDir.empty()) {
        OutputSet set(options.outputDir);
        for (const EqExport& e : eqExports(fit->filters, -fit->peakBoostDb)) {
            if (auto problem = set.add(e.fileName, e.text)) {
                io.report(*problem);
                return kExitWarning;
            }
        }
        const std::vector<Curve> curves =
            eqCurves(curve->frequenciesHz, curve->levelsDb, label, *fit, request);
        const PlotFormat format = options.png ? PlotFormat::png : PlotFormat::svg;
        const Picture plot{std::string("opbaff-eq") + pictureExtension(format), format, [&] {
                               return responsePlotScript(curves, label + ", equalised", format);
                           }};
        const int status = drawAndCommit(set, {plot}, io);
        if (status != kExitDone) return status;
    }
    if (speaker && !options.writeSpeaker.empty()) {
        if (const int status = writeSpeaker(options, *speaker, *fit, io); status != kExitDone) {
            return status;
        }
    }
    return reached ? kExitDone : kExitWarning;
}

}  // namespace

void addEqCommand(CLI::App& app, Runner& runner) {
    auto options = std::make_shared<EqOptions>();
    CLI::App* command = app.add_subcommand(
        "eq",
        "Fit the equaliser a design's response needs: a low shelf and peaking filters (and "
        "optionally a fixed high-pass protecting the driver) that bring one response column "
        "to a target over a band, flat at the band's median level or tilted, within a largest "
        "boost and Q. Prints the filters, the deviation left (max and RMS) and the peak boost; "
        "with --output-dir writes them for Equalizer APO, CamillaDSP, miniDSP (48 and 96 kHz) "
        "and as a plain list.");
    command->footer(
        "Files (with --output-dir, written all or nothing): opbaff-eq-apo.txt, "
        "opbaff-eq-camilladsp.yml, opbaff-eq-minidsp-48k.txt, opbaff-eq-minidsp-96k.txt "
        "(b0, b1, b2, a1, a2 with a1 and a2 negated: y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] "
        "+ a1 y[n-1] + a2 y[n-2]), opbaff-eq-filters.tsv, and the plot opbaff-eq.svg (.png) of "
        "the raw and equalised response, the equaliser and the target. The preamp is minus the "
        "peak boost.\n"
        "Exit status: 0 within the tolerance; 1 not within it (with the reason) or a file "
        "not written; 2 a bad option or a file that cannot be read.");
    command
        ->add_option("FILE", options->parameterFile,
                     "the parameter file, or a speaker file (its sum on axis, or a spin curve of "
                     "its orbits at the listening distance, without --model)")
        ->capture_default_str();
    command->add_option("--column", options->column, "the response column, by number or name")
        ->capture_default_str();
    command
        ->add_option("--curve", options->curve,
                     "the curve fitted: on-axis (the response column of --column), or with "
                     "--model accurate the spin's listening-window or sound-power")
        ->check(CLI::IsMember({"on-axis", "listening-window", "sound-power"}))
        ->capture_default_str();
    command->add_option("--grid", options->grid, "points per octave, or 'standard'")
        ->capture_default_str();
    command->add_option("--model", options->model, "classic or accurate")
        ->check(CLI::IsMember({"classic", "accurate"}))
        ->capture_default_str();
    command->add_option("--band", options->band, "FROM:TO, the band fitted, in Hz")
        ->capture_default_str();
    command->add_option("--tilt", options->tilt, "the target's slope, dB per decade")
        ->capture_default_str();
    command->add_option("--filters", options->filters, "the shelf and peaking filters, 1 to 12")
        ->capture_default_str();
    command->add_option("--max-boost", options->maxBoost, "the chain's largest boost, dB")
        ->capture_default_str();
    command->add_option("--max-q", options->maxQ, "the peaking filters' largest Q")
        ->capture_default_str();
    command
        ->add_option("--high-pass", options->highPass,
                     "a second-order high-pass (Q 0.707) at this frequency, Hz; 0: none")
        ->capture_default_str();
    command
        ->add_option("--tolerance", options->tolerance,
                     "the deviation (dB) within which the fit counts as reached")
        ->capture_default_str();
    command->add_option("--output-dir", options->outputDir,
                        "write the export files and the plot opbaff-eq.svg here");
    command->add_flag("--png", options->png, "draw the plot as PNG instead of SVG");
    command->add_option("--write-speaker", options->writeSpeaker,
                        "with a speaker file: write it here with the fitted filters as its own "
                        "chain ([[filter]]), replacing the chain it had");
    command->add_flag("--force", options->force,
                      "let --write-speaker replace the input speaker file");
    command->callback(
        [options, &runner] { runner = [options](ToolIo& io) { return runEq(*options, io); }; });
}

}  // namespace opbaff::tools
