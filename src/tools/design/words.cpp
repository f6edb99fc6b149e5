#include "words.h"

#include <utility>

#include "opbaff/design_fields.h"
#include "opbaff/parameter_file.h"

namespace opbaff::tools {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t c) {
    const auto byte = [&](unsigned value) { out += static_cast<char>(value); };
    if (c < 0x80) {
        byte(c);
    } else if (c < 0x800) {
        byte(0xC0 | (c >> 6));
        byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        byte(0xE0 | (c >> 12));
        byte(0x80 | ((c >> 6) & 0x3F));
        byte(0x80 | (c & 0x3F));
    } else {
        byte(0xF0 | (c >> 18));
        byte(0x80 | ((c >> 12) & 0x3F));
        byte(0x80 | ((c >> 6) & 0x3F));
        byte(0x80 | (c & 0x3F));
    }
}

// The code point of the well-formed UTF-8 sequence at the start of `text` and
// its length, or a length of 0 (a stray byte, an overlong form, a surrogate,
// beyond U+10FFFF, or cut short).
std::pair<char32_t, std::size_t> decodeUtf8(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) return {lead, 1};
    std::size_t length = 0;
    char32_t c = 0;
    char32_t lowest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, lowest = 0x10000;
    } else {
        return {0, 0};
    }
    if (text.size() < length) return {0, 0};
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[k]);
        if ((next & 0xC0) != 0x80) return {0, 0};
        c = (c << 6) | (next & 0x3F);
    }
    if (c < lowest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
    return {c, length};
}

}  // namespace

std::string visibleText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    while (!text.empty()) {
        auto [c, length] = decodeUtf8(text);
        if (length == 0) {
            c = kReplacement;
            length = 1;
        }
        if (c < 0x20) {
            c += 0x2400;  // the Control Pictures block has a symbol for each C0 control
        } else if (c == 0x7F) {
            c = 0x2421;
        } else if ((c >= 0x80 && c <= 0x9F) || c == 0xFFFE || c == 0xFFFF) {
            c = kReplacement;
        }
        appendUtf8(shown, c);
        text.remove_prefix(length);
    }
    return shown;
}

std::string printableAscii(std::string text) {
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7e) c = '?';
    }
    return text;
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

std::vector<std::string> designLines(const Design& d) {
    const auto onOff = [](bool on) { return on ? std::string("on") : std::string("off"); };
    std::vector<std::string> lines;
    for (const RecordSpec& record : kParameterRecords) {
        if (const DesignField* field = designFieldOfRecord(record.number)) {
            lines.push_back(std::string(field->name) + " " + shortNumber(d.*field->member));
        } else if (record.number == 2) {
            lines.push_back(std::string("model ") + modelName(d.model));
        } else if (record.number == 11) {
            lines.push_back("rearPhaseFactor " + onOff(d.rearPhaseFactor == RearPhaseFactor::on));
        } else if (record.number == 12) {
            lines.push_back("pistonFactor " + onOff(d.pistonFactor == PistonFactor::on));
        } else if (record.number == 14) {
            lines.push_back(std::string("rearLevel ") +
                            (d.rearLevel == RearLevel::half ? "half" : "full"));
        }
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

}  // namespace opbaff::tools
