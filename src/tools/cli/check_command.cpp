// opbaff-design check: the records of a parameter file as the program reads
// them, with the notes they deserve, as a table or as one JSON document.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "check.h"
#include "command_line.h"
#include "file_slips.h"
#include "number_text.h"
#include "opbaff/opbaff.h"
#include "opbaff/speaker_file.h"
#include "parameter_source.h"
#include "speaker_check.h"
#include "words.h"

namespace opbaff::tools {
namespace {

struct CheckOptions {
    std::string parameterFile = "Opbaffin.txt";
    bool json = false;  // one JSON document instead of the table
};

// Keys in the order written, as --help lists them.
using Json = nlohmann::ordered_json;

// The notes of a file, by record; index 0 holds the design's own.
struct CheckedFile {
    ParameterFile file;
    std::array<std::vector<std::string>, kParameterRecords.size() + 1> notes;
    std::size_t noteCount = 0;
};

CheckedFile checked(ParameterFile file) {
    CheckedFile result{std::move(file), {}, 0};
    std::vector<Note> notes = recordNotes(result.file);
    const std::vector<Note> design = designNotes(result.file.design);
    notes.insert(notes.end(), design.begin(), design.end());
    for (Note& note : notes) {
        result.notes[static_cast<std::size_t>(note.record)].push_back(std::move(note.text));
    }
    result.noteCount = notes.size();
    return result;
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

void printNotes(std::ostream& out, const std::vector<std::string>& notes) {
    for (const std::string& note : notes) out << "    note: " << note << '\n';
}

constexpr std::size_t kWrittenWidth = 20;

std::size_t writtenWidth(const ParameterFile& file) {
    std::size_t width = 10;  // "as written"
    for (const RecordInfo& info : file.records) width = std::max(width, info.text.size());
    return std::min(width, kWrittenWidth);
}

// The text as written, cut to the column; a note quotes it whole.
std::string writtenText(const RecordInfo& info) {
    std::string text = printableAscii(info.text);
    if (text.size() > kWrittenWidth) text.replace(kWrittenWidth - 3, std::string::npos, "...");
    return text;
}

void printTable(std::ostream& out, const std::string& name, const CheckedFile& c) {
    const std::size_t width = writtenWidth(c.file);
    out << " # " << padded("record", 23) << padded("unit", 9) << padded("as written", width + 2)
        << "value taken\n";
    for (const RecordSpec& spec : kParameterRecords) {
        const auto k = static_cast<std::size_t>(spec.number);
        out << (spec.number < 10 ? " " : "") << spec.number << ' ' << padded(spec.name, 23)
            << padded(spec.unit, 9) << padded(writtenText(c.file.records[k - 1]), width + 2)
            << valueText(c.file, spec.number) << '\n';
        printNotes(out, c.notes[k]);
    }
    if (!c.notes[0].empty()) {
        out << "design\n";
        printNotes(out, c.notes[0]);
    }
    out << name << ": ";
    if (c.noteCount == 0) {
        out << "no notes\n";
    } else {
        out << c.noteCount << (c.noteCount == 1 ? " note\n" : " notes\n");
    }
}

// A float as the number its shortest text stands for (0.7, not 0.699999988);
// null when it is not finite, which JSON cannot hold.
Json jsonNumber(float value) {
    if (!std::isfinite(value)) return nullptr;
    return decimalValue(value);
}

Json jsonRecord(const CheckedFile& c, const RecordSpec& spec) {
    const RecordInfo& info = c.file.records[static_cast<std::size_t>(spec.number - 1)];
    return {{"record", spec.number},
            {"name", spec.name},
            {"unit", spec.unit},
            {"line", info.line},
            {"text", info.text},
            {"value", spec.type == RecordType::number ? jsonNumber(info.number) : Json(info.code)},
            {"notes", c.notes[static_cast<std::size_t>(spec.number)]}};
}

Json jsonDocument(const std::string& name, const CheckedFile& c) {
    Json records = Json::array();
    std::transform(kParameterRecords.begin(), kParameterRecords.end(), std::back_inserter(records),
                   [&c](const RecordSpec& spec) { return jsonRecord(c, spec); });
    return {{"file", name},
            {"readable", true},
            {"records", std::move(records)},
            {"notes", c.notes[0]},
            {"noteCount", c.noteCount}};
}

Json jsonFailure(const std::string& name, const ReadFailure& failure) {
    const bool opened = failure.error != ReadError::cannotOpen;
    const auto bytes = opened ? leadingBytes(name) : std::nullopt;
    const auto hint = bytes ? fileSlipHint(*bytes, failure) : std::nullopt;
    return {{"file", name},
            {"readable", false},
            {"error",
             {{"reason", opened ? failure.message() : failure.reason},
              {"record", failure.record},
              {"line", failure.line},
              {"hint", hint ? Json(*hint) : Json(nullptr)}}}};
}

void printJson(std::ostream& out, const Json& document) {
    // A file's bytes need not be UTF-8: what is not becomes U+FFFD.
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

// Reads the file and prints its records with their notes (a speaker file, told
// by its first 64 KiB, its speaker); returns 0 when there is no note, 1 when
// there are notes, 2 when the file cannot be read.
int runCheck(const CheckOptions& options, ToolIo& io) {
    const std::string& name = options.parameterFile;
    const auto leading = leadingBytes(name);
    if (leading && looksLikeSpeakerFile(*leading)) return runSpeakerCheck(name, options.json, io);
    const auto file = readParameterFile(name);
    if (!file) {
        if (options.json) printJson(io.out, jsonFailure(name, file.error()));
        io.report(readFailureTextOfFile(name, name, file.error()));
        return kExitBadInput;
    }
    const CheckedFile c = checked(*file);
    if (options.json) {
        printJson(io.out, jsonDocument(name, c));
    } else {
        printTable(io.out, name, c);
    }
    return c.noteCount == 0 ? kExitDone : kExitWarning;
}

}  // namespace

void addCheckCommand(CLI::App& app, Runner& runner) {
    auto options = std::make_shared<CheckOptions>();
    CLI::App* command = app.add_subcommand(
        "check",
        "Read a parameter file as the program does and show each record: its unit, the text as "
        "written, the value taken, and a note where the value is probably not what was meant "
        "(skipped characters, a decimal comma, a unit word, a code that differs in case or "
        "length, an empty record), where the geometry cannot be built, or where the levels are "
        "not finite. Notes on the design as a whole follow the records. A speaker file (TOML "
        "with a [baffle] table or [[driver]] entries) is summarised instead: its baffle, "
        "reference, grid and drivers with their responses and filters, with a note on a driver "
        "off the baffle or on its border and on drivers that overlap; an error names its "
        "file:line:column and key.");
    command->footer(
        "With --json, one document:\n"
        "  {\"file\", \"readable\": true, \"records\": [{\"record\", \"name\", \"unit\", "
        "\"line\", \"text\",\n"
        "   \"value\" (a number, null if not finite, or a code's three characters), "
        "\"notes\"}, ...],\n"
        "   \"notes\" (on the design as a whole), \"noteCount\"}\n"
        "  or, for a file that cannot be read,\n"
        "  {\"file\", \"readable\": false, \"error\": {\"reason\", \"record\", \"line\", "
        "\"hint\"}}\n"
        "  (hint: the probable slip, a byte-order mark, a remark line, a missing value; or null)\n"
        "  For a speaker file: {\"file\", \"readable\": true, \"speaker\": {\"name\", "
        "\"baffle\", \"referenceCm\",\n"
        "   \"distanceCm\", \"speedOfSound\", \"grid\", \"drivers\"}, \"notes\", "
        "\"noteCount\"} or {\"file\",\n"
        "   \"readable\": false, \"error\": {\"reason\", \"line\", \"column\", \"key\"}}\n"
        "Exit status: 0 no note, 1 notes, 2 the file cannot be read.");
    command->add_option("FILE", options->parameterFile, "the parameter file or speaker file")
        ->capture_default_str();
    command->add_flag("--json", options->json, "print one JSON document instead of the table");
    command->callback(
        [options, &runner] { runner = [options](ToolIo& io) { return runCheck(*options, io); }; });
}

}  // namespace opbaff::tools
