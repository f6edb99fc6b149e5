// parseFrdText: the lines of an FRD file, each frequency, level and phase.
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "opbaff/speaker_file.h"
#include "table_reader.h"

namespace opbaff {
namespace {

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == '\r';
}

bool isRemark(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t\r");
    return first == std::string_view::npos || line[first] == '*' || line[first] == '#' ||
           line[first] == ';' || line[first] == '"';
}

// The line's fields, split at blanks, tabs and commas.
std::vector<std::string_view> fieldsOf(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size() && fields.size() <= 3) {
        while (i < line.size() && isSeparator(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && !isSeparator(line[i])) ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

std::optional<double> finiteNumber(std::string_view field) {
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    double value = 0.0;
    const auto [end, status] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (status != std::errc() || end != field.data() + field.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

SpeakerFileError lineError(std::string_view fileName, int line, std::string message) {
    return {std::string(fileName), line, 0, "", std::move(message)};
}

// The point of one data line into `measured`, or what is wrong with the line.
std::optional<std::string> readPoint(std::string_view line, MeasuredResponse& measured) {
    const std::vector<std::string_view> fields = fieldsOf(line);
    if (fields.size() < 2 || fields.size() > 3) {
        return "expected a frequency, a level and optionally a phase, not " +
               std::to_string(fields.size()) + (fields.size() > 3 ? " or more" : "") + " values";
    }
    std::vector<double> values;
    for (const std::string_view field : fields) {
        const auto value = finiteNumber(field);
        if (!value) {
            std::string text(1, '"');
            text.append(field).append("\" is not a finite number");
            return text;
        }
        values.push_back(*value);
    }
    if (!(values[0] > 0.0)) return "the frequency must be above 0, not " + std::string(fields[0]);
    if (!measured.frequenciesHz.empty() && !(values[0] > measured.frequenciesHz.back())) {
        return "the frequencies must increase: " + std::string(fields[0]) + " Hz follows " +
               speaker_file::numberText(measured.frequenciesHz.back()) + " Hz";
    }
    measured.frequenciesHz.push_back(values[0]);
    measured.levelsDb.push_back(values[1]);
    measured.phasesDeg.push_back(values.size() == 3 ? values[2] : 0.0);
    return std::nullopt;
}

}  // namespace

Result<MeasuredResponse, SpeakerFileError> parseFrdText(std::string_view text,
                                                        std::string_view fileName) {
    if (text.size() > kMaxFrdFileBytes) {
        return lineError(fileName, 0,
                         "the file is larger than " + std::to_string(kMaxFrdFileBytes) + " bytes");
    }
    MeasuredResponse measured;
    measured.sourceName = std::string(fileName);
    int lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (isRemark(line)) continue;
        if (measured.frequenciesHz.size() == kMaxFrdPoints) {
            return lineError(fileName, lineNumber,
                             "more than " + std::to_string(kMaxFrdPoints) + " points");
        }
        if (auto problem = readPoint(line, measured)) {
            return lineError(fileName, lineNumber, std::move(*problem));
        }
    }
    if (measured.frequenciesHz.size() < 2) {
        return lineError(fileName, 0,
                         "holds " + std::to_string(measured.frequenciesHz.size()) +
                             " points, not the 2 or more a response needs");
    }
    return measured;
}

}  // namespace opbaff
