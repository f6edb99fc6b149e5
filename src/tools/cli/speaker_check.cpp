// The summary of a speaker file, as text and as JSON.
#include "speaker_check.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>
#include <vector>

#include "check.h"
#include "opbaff/speaker_file.h"

namespace opbaff::tools {
namespace {

using Json = nlohmann::ordered_json;

std::string numberText(double value) {
    std::array<char, 32> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%.6g", value);
    return buffer.data();
}

std::string baffleText(const SpeakerBaffle& baffle) {
    std::ostringstream text;
    if (baffle.isPolygon) {
        text << "a polygon of " << baffle.polygonM.size() << " corners:";
        for (const PlatePoint& corner : baffle.polygonM) text << ' ' << centimetrePointText(corner);
        return text.str();
    }
    text << centimetreText(baffle.widthM) << " x " << centimetreText(baffle.heightM) << " cm, "
         << speakerCornersName(baffle.corners) << " corners";
    if (baffle.corners != SpeakerBaffle::Corners::square) {
        text << " of " << centimetreText(baffle.cornerSizeM) << " cm";
    }
    return text.str();
}

const char* conditionName(MeasuredResponse::Condition condition) {
    return condition == MeasuredResponse::Condition::halfSpace ? "half space" : "infinite baffle";
}

std::string responseText(const DriverResponse& response) {
    std::ostringstream text;
    switch (response.kind) {
        case DriverResponse::Kind::flat:
            return "flat";
        case DriverResponse::Kind::measured: {
            const MeasuredResponse& m = response.measured;
            text << "measured, \"" << m.sourceName << "\": " << m.frequenciesHz.size()
                 << " points, " << numberText(m.frequenciesHz.front()) << " to "
                 << numberText(m.frequenciesHz.back()) << " Hz, " << conditionName(m.condition);
            break;
        }
        default:
            text << "high-pass at " << numberText(response.resonanceHz) << " Hz, Q "
                 << numberText(response.q);
    }
    return text.str();
}

constexpr std::array<const char*, 4> kCrossoverNames = {
    "butterworth-high-pass", "butterworth-low-pass", "linkwitz-riley-high-pass",
    "linkwitz-riley-low-pass"};

std::string filterText(const SpeakerFilter& filter) {
    std::ostringstream text;
    if (filter.kind != SpeakerFilter::Kind::biquad) {
        text << kCrossoverNames[static_cast<std::size_t>(filter.kind)] << ", order " << filter.order
             << ", " << numberText(filter.frequencyHz) << " Hz";
        return text.str();
    }
    const Filter& b = filter.biquad;
    text << filterKindName(b.kind) << ", " << numberText(b.frequencyHz) << " Hz, "
         << numberText(b.gainDb) << " dB, Q " << numberText(b.q);
    return text.str();
}

std::string driverText(const SpeakerDriver& d) {
    std::ostringstream text;
    text << "driver \"" << d.name << "\": centre " << centimetrePointText(d.centreM)
         << ", diameter " << centimetreText(d.pistonDiameterM) << " cm, rear ";
    if (d.rearOn) {
        text << "on at " << numberText(d.rearLevelDb) << " dB";
    } else {
        text << "off";
    }
    text << (d.inverted ? ", inverted" : "") << ", gain " << numberText(d.gainDb) << " dB, delay "
         << numberText(d.delayMs) << " ms";
    return text.str();
}

void printSummary(std::ostream& out, const std::string& fileName, const Speaker& s,
                  const std::vector<std::string>& notes) {
    out << "speaker \"" << s.name << "\"\n";
    out << "baffle: " << baffleText(s.baffle) << '\n';
    out << "reference: " << centimetrePointText(s.referenceM) << ", listening distance "
        << centimetreText(s.listeningDistanceM) << " cm, speed of sound "
        << numberText(s.speedOfSoundMPerS) << " m/s\n";
    out << "grid: " << s.grid.pointsPerOctave << " points per octave, "
        << numberText(s.grid.lowestHz) << " to " << numberText(s.grid.highestHz) << " Hz\n";
    for (const SpeakerDriver& driver : s.drivers) {
        out << driverText(driver) << '\n';
        out << "    response: " << responseText(driver.response) << '\n';
        for (const SpeakerFilter& filter : driver.filters) {
            out << "    filter: " << filterText(filter) << '\n';
        }
    }
    for (const SpeakerFilter& filter : s.filters) {
        out << "speaker filter: " << filterText(filter) << '\n';
    }
    for (const std::string& note : notes) out << "note: " << note << '\n';
    out << fileName << ": ";
    if (notes.empty()) {
        out << "no notes\n";
    } else {
        out << notes.size() << (notes.size() == 1 ? " note\n" : " notes\n");
    }
}

Json jsonPoint(PlatePoint p) {
    return Json::array({p.x * 100.0, p.y * 100.0});
}

Json jsonBaffle(const SpeakerBaffle& baffle) {
    if (baffle.isPolygon) {
        Json corners = Json::array();
        std::transform(baffle.polygonM.begin(), baffle.polygonM.end(), std::back_inserter(corners),
                       jsonPoint);
        return {{"polygonCm", std::move(corners)}};
    }
    return {{"widthCm", baffle.widthM * 100.0},
            {"heightCm", baffle.heightM * 100.0},
            {"corners", speakerCornersName(baffle.corners)},
            {"cornerSizeCm", baffle.cornerSizeM * 100.0}};
}

Json jsonDriver(const SpeakerDriver& d) {
    Json filters = Json::array();
    std::transform(d.filters.begin(), d.filters.end(), std::back_inserter(filters), filterText);
    return {{"name", d.name},
            {"centreCm", jsonPoint(d.centreM)},
            {"diameterCm", d.pistonDiameterM * 100.0},
            {"rear", d.rearOn},
            {"rearLevelDb", d.rearLevelDb},
            {"inverted", d.inverted},
            {"gainDb", d.gainDb},
            {"delayMs", d.delayMs},
            {"response", responseText(d.response)},
            {"filters", std::move(filters)}};
}

Json jsonDocument(const std::string& fileName, const Speaker& s,
                  const std::vector<std::string>& notes) {
    Json drivers = Json::array();
    std::transform(s.drivers.begin(), s.drivers.end(), std::back_inserter(drivers), jsonDriver);
    Json filters = Json::array();
    std::transform(s.filters.begin(), s.filters.end(), std::back_inserter(filters), filterText);
    return {{"file", fileName},
            {"readable", true},
            {"speaker",
             {{"name", s.name},
              {"baffle", jsonBaffle(s.baffle)},
              {"referenceCm", jsonPoint(s.referenceM)},
              {"distanceCm", s.listeningDistanceM * 100.0},
              {"speedOfSound", s.speedOfSoundMPerS},
              {"grid",
               {{"pointsPerOctave", s.grid.pointsPerOctave},
                {"lowestHz", s.grid.lowestHz},
                {"highestHz", s.grid.highestHz}}},
              {"drivers", std::move(drivers)},
              {"filters", std::move(filters)}}},
            {"notes", notes},
            {"noteCount", notes.size()}};
}

Json jsonFailure(const SpeakerFileError& error) {
    return {{"file", error.file},
            {"readable", false},
            {"error",
             {{"reason", error.message},
              {"line", error.line},
              {"column", error.column},
              {"key", error.key}}}};
}

void printJson(std::ostream& out, const Json& document) {
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

}  // namespace

int runSpeakerCheck(const std::string& fileName, bool json, ToolIo& io) {
    const auto speaker = readSpeakerFile(fileName);
    if (!speaker) {
        if (json) printJson(io.out, jsonFailure(speaker.error()));
        io.report(speakerFileErrorText(speaker.error()));
        return kExitBadInput;
    }
    const std::vector<std::string> notes = speakerNotes(*speaker);
    if (json) {
        printJson(io.out, jsonDocument(fileName, *speaker, notes));
    } else {
        printSummary(io.out, fileName, *speaker, notes);
    }
    return notes.empty() ? kExitDone : kExitWarning;
}

}  // namespace opbaff::tools
