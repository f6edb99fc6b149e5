#include "view/parameter_text.h"

#include <charconv>
#include <iterator>

namespace opbaff::view {

std::string printableAscii(std::string text) {
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7e) c = '?';
    }
    return text;
}

std::string shortNumber(float value) {
    char text[32];
    const std::to_chars_result end = std::to_chars(std::begin(text), std::end(text), value);
    return {std::begin(text), end.ptr};
}

std::string modelWords(Model model) {
    switch (model) {
        case Model::rectangular:
            return "rectangular baffle";
        case Model::singlePathHalfDelay:
            return "single-path model, half-delay variant";
        case Model::singlePath:
            break;
    }
    return "single-path model";
}

std::vector<std::string> parameterLines(const ParameterFile& file) {
    std::vector<std::string> lines;
    for (std::size_t k = 0; k < kParameterRecords.size(); ++k) {
        const RecordSpec& spec = kParameterRecords[k];
        const RecordInfo& record = file.records[k];
        std::string line = spec.name;
        if (spec.type == RecordType::code) {
            line.append(" '").append(printableAscii(record.code)).append("'");
        } else {
            line.append(" ").append(shortNumber(record.number));
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string plotTitle(const Design& d) {
    const std::string listener = "listener " + shortNumber(d.listenerDistanceM) + " m";
    if (d.model == Model::rectangular) {
        return "Rectangular baffle " + shortNumber(d.baffleWidthCm) + " \u00d7 " +
               shortNumber(d.baffleHeightCm) + " cm, " + listener + ", " +
               shortNumber(d.offAxisAngleDeg) + "\u00b0 off axis";
    }
    std::string title = "Single-path model";
    if (d.model == Model::singlePathHalfDelay) title += " (half delay)";
    return title + ": round baffle " + shortNumber(d.roundBaffleDiameterCm) + " cm, " + listener +
           " on axis";
}

}  // namespace opbaff::view
