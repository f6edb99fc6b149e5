#include "studio_api_output.h"

#include <cmath>

#include "merit.h"
#include "opbaff/design_fields.h"
#include "opbaff/parameter_file.h"
#include "polar_plots.h"
#include "response_columns.h"
#include "studio_design_json.h"
#include "studio_json_writer.h"

namespace opbaff::tools {
namespace {

void writeNotes(JsonWriter& writer, const std::vector<Note>& notes) {
    writer.beginArray();
    for (const Note& note : notes) {
        const bool named = note.record >= 1 && note.record <= 15;
        writer.beginObject();
        writer.key("record").value(note.record);
        writer.key("name").value(
            named ? kParameterRecords[static_cast<std::size_t>(note.record - 1)].name : "");
        writer.key("text").value(note.text);
        writer.endObject();
    }
    writer.endArray();
}

void writeMerit(JsonWriter& writer, const Response& response, const MeritBand& band) {
    const ResponseColumn& column = response.columns[0];
    const FiguresOfMerit merit = figuresOfMerit(response.frequenciesHz, column.levelsDb, band);
    writer.beginObject();
    writer.key("column").value(responseName(column.kind));
    writer.key("bandFromHz").value(band.fromHz);
    writer.key("bandToHz").value(band.toHz);
    for (const MeritFigure& figure : kMeritFigures) {
        writer.key(figure.jsonKey);
        const MeritValue value = figure.value(merit);
        if (value.kind == MeritValue::Kind::none) {
            writer.value("none");
        } else if (value.interpolated) {
            writer.value(value.number);
        } else {
            writer.value(static_cast<float>(value.number));
        }
    }
    writer.endObject();
}

void writeColumn(JsonWriter& writer, const Design& design, const Response& response,
                 const ResponseColumn& column, PhaseMode mode) {
    std::vector<float> phases(column.values.size());
    for (std::size_t i = 0; i < phases.size(); ++i) {
        phases[i] = static_cast<float>(
            responsePhaseDegrees(column.values[i], design, response.frequenciesHz[i], mode));
    }
    writer.beginObject();
    writer.key("name").value(responseName(column.kind));
    writer.key("levels").values(column.levelsDb);
    writer.key("phases").values(phases);
    writer.endObject();
}

void writeFields(JsonWriter& writer) {
    writer.beginArray();
    for (const DesignField& field : kDesignFields) {
        writer.beginObject();
        writer.key("name").value(field.name);
        writer.key("unit").value(field.unit);
        writer.key("record").value(field.record);
        writer.key("meaning").value(field.meaning);
        writer.key("label").value(field.label);
        writer.key("part").value(designPartName(field.part));
        writer.key("rectangularOnly").value(field.rectangularOnly);
        writer.key("step").value(field.step);
        writer.key("low").value(field.low);
        writer.key("high").value(field.high);
        writer.endObject();
    }
    writer.endArray();
}

void writeColumns(JsonWriter& writer) {
    writer.beginObject();
    for (const Model model : {Model::rectangular, Model::singlePath, Model::singlePathHalfDelay}) {
        writer.key(modelName(model)).beginArray();
        for (const ColumnLabel& column : columnLabels(model)) {
            writer.beginObject();
            writer.key("key").value(responseName(column.kind));
            writer.key("label").value(column.label);
            writer.endObject();
        }
        writer.endArray();
    }
    writer.endObject();
}

void writePalette(JsonWriter& writer) {
    writer.beginArray();
    for (const PaletteStop& stop : kSonogramPalette) {
        writer.beginObject();
        writer.key("levelDb").value(stop.levelDb);
        writer.key("colour").value(stop.colour);
        writer.endObject();
    }
    writer.endArray();
}

}  // namespace

std::string responseJson(const Design& design, const Response& response,
                         const ResponseJsonSettings& settings, const std::vector<Note>& notes) {
    const PhaseMode mode = settings.phase;
    // About 24 bytes per number, nine numbers per frequency.
    JsonWriter writer(1024 + response.frequenciesHz.size() * 9 * 24);
    writer.beginObject();
    writer.key("model").value(modelName(response.model));
    writer.key("computedBy")
        .value(settings.model == ModelChoice::accurate ? "accurate" : "classic");
    writer.key("baffleOnly").value(settings.highPass == DriverHighPass::leftOut);
    writer.key("frequencies").values(response.frequenciesHz);
    writer.key("columns").beginArray();
    for (const ResponseColumn& column : response.columns) {
        writeColumn(writer, design, response, column, mode);
    }
    writer.endArray();
    writer.key("merit");
    writeMerit(writer, response, settings.band);
    writer.key("notes");
    writeNotes(writer, notes);
    writer.endObject();
    return writer.take();
}

std::string polarJson(const PolarSet& set) {
    JsonWriter writer(1024 + (set.anglesDeg.size() + 2) * set.frequenciesHz.size() * 12);
    writer.beginObject();
    writer.key("angles").values(set.anglesDeg);
    writer.key("frequencies").values(set.frequenciesHz);
    writer.key("levels").beginArray();
    for (const std::vector<float>& levels : set.levelsDb) writer.values(levels);
    writer.endArray();
    writer.key("onAxis").values(set.onAxisDb);
    writer.endObject();
    return writer.take();
}

void writeFilters(JsonWriter& writer, const std::vector<Filter>& filters) {
    writer.beginArray();
    for (const Filter& f : filters) {
        writer.beginObject();
        writer.key("type").value(filterKindName(f.kind));
        writer.key("frequencyHz").value(f.frequencyHz);
        writer.key("gainDb").value(f.kind == FilterKind::highPass ? 0.0 : f.gainDb);
        writer.key("q").value(f.q);
        writer.endObject();
    }
    writer.endArray();
}

std::string eqJson(const EqAnswer& answer) {
    const EqRequest& r = answer.request;
    const EqFit& fit = answer.fit;
    const std::vector<float>& f = answer.frequenciesHz;
    std::vector<double> chain(f.size());
    for (std::size_t i = 0; i < f.size(); ++i) {
        chain[i] = chainLevelDb(fit.filters, f[i], r.sampleRateHz);
    }
    JsonWriter writer(1024 + f.size() * 96);
    writer.beginObject();
    writer.key("column").value(answer.column).key("fitted").value(answer.fitted);
    writer.key("bandFromHz").value(r.lowHz).key("bandToHz").value(r.highHz);
    writer.key("tiltDbPerDecade").value(r.tiltDbPerDecade).key("targetDb").value(fit.targetLevelDb);
    writer.key("filters");
    writeFilters(writer, fit.filters);
    writer.key("maxDeviationDb").value(fit.maxDeviationDb);
    writer.key("rmsDeviationDb").value(fit.rmsDeviationDb);
    writer.key("peakBoostDb").value(fit.peakBoostDb);
    writer.key("neededBoostDb").value(fit.neededBoostDb);
    writer.key("frequencies").values(f);
    writer.key("raw").values(answer.levelsDb);
    writer.key("equaliser").beginArray();
    for (const double level : chain) writer.value(level);
    writer.endArray().key("equalised").beginArray();
    for (std::size_t i = 0; i < f.size(); ++i) {
        writer.value(static_cast<double>(answer.levelsDb[i]) + chain[i]);
    }
    writer.endArray().key("target").beginArray();
    for (const float hz : f) {
        const bool inBand = hz >= r.lowHz && hz <= r.highHz;
        writer.value(inBand ? fit.targetLevelDb + r.tiltDbPerDecade * std::log10(hz / 1000.0)
                            : std::nan(""));
    }
    writer.endArray().endObject();
    return writer.take();
}

std::string notesJson(const std::vector<Note>& notes) {
    JsonWriter writer;
    writer.beginObject().key("notes");
    writeNotes(writer, notes);
    writer.endObject();
    return writer.take();
}

std::string parameterFileJson(const Design& design, const std::vector<Note>& notes) {
    JsonWriter writer;
    writer.beginObject().key("design");
    writeDesign(writer, design);
    writer.key("notes");
    writeNotes(writer, notes);
    writer.endObject();
    return writer.take();
}

std::string startingDesignJson(const Design& design, const std::string& source,
                               const std::string& problem) {
    JsonWriter writer;
    writer.beginObject().key("design");
    writeDesign(writer, design);
    writer.key("source").value(source);
    if (!problem.empty()) writer.key("problem").value(problem);
    writer.key("fields");
    writeFields(writer);
    writer.key("columns");
    writeColumns(writer);
    writer.key("palette");
    writePalette(writer);
    writer.endObject();
    return writer.take();
}

}  // namespace opbaff::tools
