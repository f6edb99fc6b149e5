// speakerFileText: a speaker as the text parseSpeakerText reads back to it.
#include <array>
#include <charconv>
#include <cstdio>
#include <string>

#include "opbaff/speaker_file.h"
#include "table_reader.h"

namespace opbaff {
namespace {

// A TOML float: the value rounded to 15 significant digits (well within the
// 1e-12 a round trip keeps, and free of the unit conversion's last-bit noise:
// 35, not 35.00000000000001), as the shortest text that reads back to it.
std::string floatText(double value) {
    std::array<char, 64> buffer{};
    const auto rounded = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                       std::chars_format::general, 15);
    double shortest = value;
    std::from_chars(buffer.data(), rounded.ptr, shortest);
    std::string text = speaker_file::numberText(shortest);
    if (text.find_first_of(".en") == std::string::npos) text += ".0";
    return text;
}

// A grid frequency: a float, written exactly.
std::string singleText(float value) {
    std::array<char, 32> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    std::string text(buffer.data(), end);
    if (text.find_first_of(".en") == std::string::npos) text += ".0";
    return text;
}

// A TOML basic string, its quotes, backslashes and control characters escaped.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            std::array<char, 8> escape{};
            std::snprintf(escape.data(), escape.size(), "\\u%04X", static_cast<unsigned>(byte));
            out += escape.data();
        } else {
            out += c;
        }
    }
    return out + "\"";
}

struct Writer {
    double metresPerUnit = 0.01;
    std::string text;

    void line(const std::string& key, const std::string& value) {
        text += key + " = " + value + "\n";
    }
    std::string length(double metres) const { return floatText(metres / metresPerUnit); }
    std::string point(PlatePoint p) const {
        std::string pair(1, '[');
        return pair.append(length(p.x)).append(", ").append(length(p.y)).append("]");
    }
};

void writeBaffle(Writer& w, const SpeakerBaffle& baffle) {
    w.text += "\n[baffle]\n";
    if (baffle.isPolygon) {
        std::string corners = "[";
        for (std::size_t i = 0; i < baffle.polygonM.size(); ++i) {
            corners += (i == 0 ? "" : ", ") + w.point(baffle.polygonM[i]);
        }
        w.line("polygon", corners + "]");
        return;
    }
    w.line("width", w.length(baffle.widthM));
    w.line("height", w.length(baffle.heightM));
    w.line("corners", quoted(speakerCornersName(baffle.corners)));
    if (baffle.cornerSizeM != 0.0) w.line("corner_size", w.length(baffle.cornerSizeM));
}

std::string responseText(const Writer& w, const DriverResponse& response) {
    switch (response.kind) {
        case DriverResponse::Kind::flat:
            return "{ kind = \"flat\" }";
        case DriverResponse::Kind::measured:
            return "{ kind = \"measured\", file = " + quoted(response.measured.sourceName) +
                   ", condition = \"" +
                   (response.measured.condition == MeasuredResponse::Condition::halfSpace
                        ? "half-space"
                        : "infinite-baffle") +
                   "\" }";
        default:
            static_cast<void>(w);
            return "{ kind = \"high-pass\", resonance_hz = " + floatText(response.resonanceHz) +
                   ", q = " + floatText(response.q) + " }";
    }
}

constexpr std::array<const char*, 4> kCrossoverNames = {
    "butterworth-high-pass", "butterworth-low-pass", "linkwitz-riley-high-pass",
    "linkwitz-riley-low-pass"};

// A pass's gain is not written: the passes ignore it, and the reader refuses it.
void writeFilter(Writer& w, const SpeakerFilter& filter, const char* header) {
    w.text += header;
    if (filter.kind != SpeakerFilter::Kind::biquad) {
        w.line("kind", quoted(kCrossoverNames[static_cast<std::size_t>(filter.kind)]));
        w.line("order", std::to_string(filter.order));
        w.line("frequency_hz", floatText(filter.frequencyHz));
        return;
    }
    const Filter& biquad = filter.biquad;
    w.line("kind", quoted(filterKindName(biquad.kind)));
    w.line("frequency_hz", floatText(biquad.frequencyHz));
    if (biquad.kind == FilterKind::peaking || biquad.kind == FilterKind::lowShelf ||
        biquad.kind == FilterKind::highShelf) {
        w.line("gain_db", floatText(biquad.gainDb));
    }
    w.line("q", floatText(biquad.q));
}

void writeDriver(Writer& w, const SpeakerDriver& driver) {
    w.text += "\n[[driver]]\n";
    w.line("name", quoted(driver.name));
    w.line("centre", w.point(driver.centreM));
    w.line("diameter", w.length(driver.pistonDiameterM));
    w.line("rear", driver.rearOn ? "true" : "false");
    w.line("rear_level_db", floatText(driver.rearLevelDb));
    w.line("inverted", driver.inverted ? "true" : "false");
    w.line("gain_db", floatText(driver.gainDb));
    w.line("delay_ms", floatText(driver.delayMs));
    w.line("response", responseText(w, driver.response));
    for (const SpeakerFilter& filter : driver.filters)
        writeFilter(w, filter, "[[driver.filter]]\n");
}

}  // namespace

std::string speakerFileText(const Speaker& speaker, std::string_view unit) {
    const bool inches = unit == "in";
    Writer w{inches ? 0.0254 : 0.01, {}};
    w.line("name", quoted(speaker.name));
    w.line("unit", inches ? "\"in\"" : "\"cm\"");
    w.line("speed_of_sound", floatText(speaker.speedOfSoundMPerS));
    writeBaffle(w, speaker.baffle);
    w.text += "\n[listening]\n";
    w.line("reference", w.point(speaker.referenceM));
    w.line("distance", w.length(speaker.listeningDistanceM));
    w.text += "\n[grid]\n";
    w.line("points_per_octave", std::to_string(speaker.grid.pointsPerOctave));
    w.line("lowest_hz", singleText(speaker.grid.lowestHz));
    w.line("highest_hz", singleText(speaker.grid.highestHz));
    // The speaker's own chain stands before the drivers: after a [[driver]]
    // header, a top-level [[filter]] would still read as the speaker's, but a
    // reader of the text would take it for the driver's.
    for (const SpeakerFilter& filter : speaker.filters) writeFilter(w, filter, "\n[[filter]]\n");
    for (const SpeakerDriver& driver : speaker.drivers) writeDriver(w, driver);
    return w.text;
}

const char* speakerCornersName(SpeakerBaffle::Corners corners) {
    switch (corners) {
        case SpeakerBaffle::Corners::chamfered:
            return "chamfered";
        case SpeakerBaffle::Corners::rounded:
            return "rounded";
        default:
            return "square";
    }
}

}  // namespace opbaff
