// opbaff-design sweep on a speaker file: speaker fields varied over ranges,
// every combination's sum on axis judged by its figures of merit in one table,
// with an FRD file each and a plot of the sums if asked for.
#include <algorithm>
#include <cmath>
#include <optional>

#include "opbaff/short_number.h"
#include "output_set.h"
#include "plot.h"
#include "progress_bar.h"
#include "speaker_commands.h"
#include "speaker_curves.h"
#include "speaker_frd.h"
#include "speaker_sweep.h"
#include "speaker_unit.h"
#include "variants.h"
#include "words.h"

namespace opbaff::tools {
namespace {

// Without --plot or --no-plot, runs of at most this many speakers are drawn.
constexpr std::size_t kDefaultPlotLimit = 20;

// A name on one table cell: tabs and line ends become blanks.
std::string cellText(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

void writeTable(std::ostream& out, const std::vector<SpeakerSweepSpec>& specs,
                const std::vector<SpeakerVariant>& variants,
                const std::vector<SpeakerVariantResult>& results) {
    out << "variant";
    for (const SpeakerSweepSpec& spec : specs) out << '\t' << cellText(spec.name);
    for (const MeritFigure& figure : kMeritFigures) out << '\t' << figure.column;
    out << "\tnotes\n";
    for (std::size_t i = 0; i < results.size(); ++i) {
        out << cellText(variants[i].name);
        for (const float value : variants[i].values) out << '\t' << shortNumber(value);
        for (const MeritFigure& figure : kMeritFigures) {
            out << '\t' << meritText(figure.value(results[i].merit));
        }
        out << '\t' << cellText(results[i].note) << '\n';
    }
}

// Each speaker the model refused, by name, a few at most, and the count of
// the others.
bool reportNotes(const std::vector<SpeakerVariant>& variants,
                 const std::vector<SpeakerVariantResult>& results, const ToolIo& io) {
    constexpr std::size_t kShown = 10;
    std::size_t count = 0;
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (results[i].note.empty()) continue;
        if (++count <= kShown) io.report(visibleText(variants[i].name) + ": " + results[i].note);
    }
    if (count > kShown) {
        io.report("and " + std::to_string(count - kShown) + " more speakers with such a note");
    }
    return count > 0;
}

std::string sweepTitle(const std::vector<SpeakerSweepSpec>& specs) {
    std::string title;
    for (const SpeakerSweepSpec& spec : specs) {
        title += (title.empty() ? "Sweep of " : ", ") + visibleText(spec.name) + " " +
                 shortNumber(spec.values.front());
        if (spec.values.size() > 1) title += " to " + shortNumber(spec.values.back());
    }
    return title + ": the sum on axis";
}

// The FRD files (of the speakers the model heard) and the plot, as one set.
int writeFiles(const SpeakerSweepOptions& options, const std::vector<SpeakerSweepSpec>& specs,
               const std::vector<SpeakerVariant>& variants,
               const std::vector<SpeakerVariantResult>& results, bool plot, const ToolIo& io) {
    OutputSet set(options.output.outputDir);
    std::vector<Curve> curves;
    std::vector<std::string> taken;
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (!results[i].note.empty()) continue;
        if (plot) curves.push_back({variants[i].name, results[i].frequenciesHz, results[i].sumDb});
        if (!options.frd) continue;
        const std::string stem = fileSafeName(variants[i].name);
        std::string name = stem + ".frd";
        for (int n = 2; std::find(taken.begin(), taken.end(), name) != taken.end(); ++n) {
            name = stem + "-" + std::to_string(n) + ".frd";
        }
        taken.push_back(name);
        const Speaker& speaker = variants[i].speaker;
        const std::string text = speakerFrdText(
            results[i].frequenciesHz, results[i].sum,
            speakerRemarks(speaker,
                           "the sum of the drivers on axis, with " + visibleText(variants[i].name),
                           speaker.listeningDistanceM, visibleText(options.fileName)));
        if (auto problem = set.add(name, text)) {
            io.report(*problem);
            return kExitWarning;
        }
    }
    markCoincidingCurves(curves);
    std::vector<Picture> pictures;
    const PlotFormat format = options.output.format();
    const std::string title = sweepTitle(specs);
    if (plot && !curves.empty()) {
        pictures.push_back({std::string("opbaff-sweep") + pictureExtension(format), format,
                            [&] { return responsePlotScript(curves, title, format); }});
    }
    return drawAndCommit(set, pictures, io);
}

}  // namespace

int runSpeakerSweep(const SpeakerSweepOptions& options, ToolIo& io) {
    const auto band = parseMeritBand(options.band);
    if (!band) {
        io.report("--" + band.error());
        return kExitBadInput;
    }
    if (auto problem = speakerOutputProblem(options.output, "standard")) {
        io.report(*problem);
        return kExitBadInput;
    }
    const auto file = loadSpeakerFile(options.fileName, io);
    if (!file) return kExitBadInput;
    std::vector<SpeakerSweepSpec> specs;
    for (const std::string& text : options.specs) {
        auto spec = parseSpeakerSweepSpec(text, file->speaker);
        if (!spec) {
            io.report(spec.error());
            return kExitBadInput;
        }
        specs.push_back(std::move(spec).value());
    }
    const double metresPerUnit = unitMetres(file->unit);
    const auto variants = speakerSweepVariants(file->speaker, specs, metresPerUnit);
    if (!variants) {
        io.report(variants.error());
        return kExitBadInput;
    }
    const bool plot = options.plot || (!options.noPlot && variants->size() <= kDefaultPlotLimit);
    std::optional<ProgressBar> bar;
    std::function<void(std::size_t)> progress;
    if (io.errIsTerminal) {
        bar.emplace(io.err, variants->size());
        progress = [&bar](std::size_t done) { bar->update(done); };
    }
    const auto results = evaluateSpeakerVariants(*variants, *band, options.jobs, progress);
    if (bar) bar->finish();
    writeTable(io.out, specs, *variants, results);
    const bool noted = reportNotes(*variants, results, io);
    const int status =
        options.frd || plot ? writeFiles(options, specs, *variants, results, plot, io) : kExitDone;
    return noted && status == kExitDone ? kExitWarning : status;
}

}  // namespace opbaff::tools
