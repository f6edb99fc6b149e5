// parseSpeakerText: the speaker file's tables, each read by its own function,
// every value checked where it stands in the file.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>

#include "opbaff/speaker_file.h"
#include "table_reader.h"

namespace opbaff {
namespace {

using speaker_file::FileFault;
using speaker_file::numberText;
using speaker_file::ReadContext;
using speaker_file::TableReader;
using speaker_file::typeName;

constexpr double kMetresPerInch = 0.0254;

// The text after "must be one of ": the names in quotes.
template <std::size_t N>
std::string choices(const std::array<const char*, N>& names) {
    std::string text;
    for (std::size_t i = 0; i < N; ++i) {
        text += (i == 0 ? "" : (i + 1 == N ? " or " : ", "));
        text += std::string("\"") + names[i] + "\"";
    }
    return text;
}

[[noreturn]] void failUnknownKind(const TableReader& reader, const toml::node& node,
                                  std::string_view key, const std::string& value,
                                  const std::string& known) {
    reader.fail(node, key, "unknown kind \"" + value + "\": must be " + known);
}

ReadContext contextOf(TableReader& root, std::string fileName) {
    ReadContext context{std::move(fileName), 0.01, "cm"};
    const std::string unit = root.string("unit", "cm");
    if (unit == "in") {
        context.metresPerUnit = kMetresPerInch;
        context.unitName = "in";
    } else if (unit != "cm") {
        root.fail(*root.find("unit"), "unit", "must be \"cm\" or \"in\", not \"" + unit + "\"");
    }
    return context;
}

std::vector<PlatePoint> readPolygon(TableReader& baffle) {
    const toml::node& node = baffle.required("polygon");
    const toml::array* corners = node.as_array();
    if (corners == nullptr) {
        baffle.fail(node, "polygon", "must be an array of points, not " + typeName(node));
    }
    if (corners->size() < 3) {
        baffle.fail(node, "polygon",
                    "needs at least 3 corners, not " + std::to_string(corners->size()));
    }
    std::vector<PlatePoint> points;
    for (std::size_t i = 0; i < corners->size(); ++i) {
        points.push_back(baffle.point(*corners->get(i),
                                      baffle.keyOf("polygon") + "[" + std::to_string(i) + "]"));
    }
    return points;
}

void readCornerSize(TableReader& reader, SpeakerBaffle& baffle) {
    const toml::node* node = reader.find("corner_size");
    if (node == nullptr) return;
    baffle.cornerSizeM = reader.length("corner_size", 0.0, true);
    const double limitM = 0.5 * std::min(baffle.widthM, baffle.heightM);
    const bool rounded = baffle.corners == SpeakerBaffle::Corners::rounded;
    if (rounded ? baffle.cornerSizeM > limitM : baffle.cornerSizeM >= limitM) {
        const double unit = reader.context().metresPerUnit;
        reader.fail(*node, "corner_size",
                    std::string(rounded ? "must be at most" : "must be below") +
                        " half the shorter side (" + numberText(limitM / unit) + "), not " +
                        numberText(baffle.cornerSizeM / unit));
    }
}

constexpr std::array<const char*, 3> kCornerNames = {"square", "chamfered", "rounded"};

SpeakerBaffle readBaffle(TableReader& root) {
    TableReader reader(root.requiredTable("baffle"), "baffle", root.context());
    SpeakerBaffle baffle;
    if (reader.has("polygon")) {
        baffle.isPolygon = true;
        baffle.polygonM = readPolygon(reader);
        for (const char* key : {"width", "height", "corners", "corner_size"}) {
            if (const toml::node* node = reader.find(key)) {
                reader.fail(*node, key, "a polygon baffle takes no width, height or corners");
            }
        }
        reader.finish();
        return baffle;
    }
    baffle.widthM = reader.requiredLength("width");
    baffle.heightM = reader.requiredLength("height");
    const std::string corners = reader.string("corners", "square");
    const auto* named = std::find(kCornerNames.begin(), kCornerNames.end(), corners);
    if (named == kCornerNames.end()) {
        failUnknownKind(reader, *reader.find("corners"), "corners", corners, choices(kCornerNames));
    }
    baffle.corners = static_cast<SpeakerBaffle::Corners>(named - kCornerNames.begin());
    readCornerSize(reader, baffle);
    reader.finish();
    return baffle;
}

void readListening(TableReader& root, Speaker& speaker) {
    TableReader reader(root.requiredTable("listening"), "listening", root.context());
    speaker.referenceM = reader.requiredPoint("reference");
    speaker.listeningDistanceM = reader.length("distance", speaker.listeningDistanceM, false);
    reader.finish();
}

// A grid frequency: positive, finite, and finite as a float.
float gridFrequency(TableReader& reader, std::string_view key, float fallback) {
    const double value = reader.positive(key, fallback);
    const auto single = static_cast<float>(value);
    if (!std::isfinite(single)) {
        reader.fail(*reader.find(key), key, "must be at most 3.4e38, not " + numberText(value));
    }
    return single;
}

void readGrid(TableReader& root, Speaker& speaker) {
    const toml::table* table = root.table("grid");
    if (table == nullptr) return;
    TableReader reader(*table, "grid", root.context());
    GridRequest& grid = speaker.grid;
    grid.pointsPerOctave =
        reader.integer("points_per_octave", grid.pointsPerOctave, 1, kMaxPointsPerOctave);
    grid.lowestHz = gridFrequency(reader, "lowest_hz", grid.lowestHz);
    grid.highestHz = gridFrequency(reader, "highest_hz", grid.highestHz);
    reader.finish();
    if (grid.highestHz < grid.lowestHz) {
        const toml::node* node = reader.find("highest_hz");
        reader.fail(node != nullptr ? *node : *reader.find("lowest_hz"), "highest_hz",
                    "must not be below lowest_hz (" + numberText(grid.lowestHz) + "), not " +
                        numberText(grid.highestHz));
    }
    const auto made = FrequencyGrid::perOctave(grid);
    if (!made) {
        speaker_file::failAt(root.context(), table->source(), "grid", errorText(made.error()));
    }
}

MeasuredResponse readMeasured(TableReader& reader, const FrdLoader& loader) {
    MeasuredResponse measured;
    const toml::node& fileNode = reader.required("file");
    measured.sourceName = reader.requiredString("file");
    constexpr std::array<const char*, 2> kConditions = {"infinite-baffle", "half-space"};
    const std::string condition = reader.string("condition", kConditions[0]);
    if (condition == kConditions[1]) {
        measured.condition = MeasuredResponse::Condition::halfSpace;
    } else if (condition != kConditions[0]) {
        failUnknownKind(reader, *reader.find("condition"), "condition", condition,
                        choices(kConditions));
    }
    reader.finish();
    if (!loader) {
        reader.fail(fileNode, "file",
                    "a measured response, but no FRD file can be read by this call");
    }
    const auto text = loader(measured.sourceName);
    if (!text) reader.fail(fileNode, "file", text.error().message);
    auto frd = parseFrdText(*text, measured.sourceName);
    if (!frd) reader.fail(fileNode, "file", speakerFileErrorText(frd.error()));
    frd->condition = measured.condition;
    return std::move(frd).value();
}

DriverResponse readResponse(TableReader& driver, const FrdLoader& loader) {
    DriverResponse response;
    const toml::table* table = driver.table("response");
    if (table == nullptr) return response;
    TableReader reader(*table, driver.keyOf("response"), driver.context());
    const std::string kind = reader.requiredString("kind");
    if (kind == "high-pass") {
        response.resonanceHz = reader.positive("resonance_hz", response.resonanceHz);
        response.q = reader.positive("q", response.q);
    } else if (kind == "flat") {
        response.kind = DriverResponse::Kind::flat;
    } else if (kind == "measured") {
        response.kind = DriverResponse::Kind::measured;
        response.measured = readMeasured(reader, loader);
    } else {
        failUnknownKind(reader, *reader.find("kind"), "kind", kind,
                        "\"high-pass\", \"flat\" or \"measured\"");
    }
    reader.finish();
    return response;
}

constexpr std::array<const char*, 4> kCrossoverNames = {
    "butterworth-high-pass", "butterworth-low-pass", "linkwitz-riley-high-pass",
    "linkwitz-riley-low-pass"};
constexpr std::array<const char*, 9> kFilterNames = {"butterworth-high-pass",
                                                     "butterworth-low-pass",
                                                     "linkwitz-riley-high-pass",
                                                     "linkwitz-riley-low-pass",
                                                     "peaking",
                                                     "low-shelf",
                                                     "high-shelf",
                                                     "high-pass",
                                                     "low-pass"};

void readCrossover(TableReader& reader, SpeakerFilter& filter) {
    const bool linkwitzRiley = filter.kind == SpeakerFilter::Kind::linkwitzRileyHighPass ||
                               filter.kind == SpeakerFilter::Kind::linkwitzRileyLowPass;
    filter.order = reader.requiredInteger("order", 1, 8);
    if (linkwitzRiley && filter.order % 2 != 0) {
        reader.fail(*reader.find("order"), "order",
                    "a Linkwitz-Riley filter's order must be 2, 4, 6 or 8, not " +
                        std::to_string(filter.order));
    }
    filter.frequencyHz = reader.requiredPositive("frequency_hz");
}

void readBiquad(TableReader& reader, FilterKind kind, SpeakerFilter& filter) {
    filter.kind = SpeakerFilter::Kind::biquad;
    filter.biquad.kind = kind;
    filter.biquad.frequencyHz = reader.requiredPositive("frequency_hz");
    filter.biquad.q = reader.positive("q", filter.biquad.q);
    const bool hasGain = kind == FilterKind::peaking || kind == FilterKind::lowShelf ||
                         kind == FilterKind::highShelf;
    if (!hasGain && reader.has("gain_db")) {
        reader.fail(*reader.find("gain_db"), "gain_db",
                    "only peaking and shelf filters take a gain");
    }
    filter.biquad.gainDb = reader.number("gain_db", 0.0);
}

SpeakerFilter readFilter(const toml::node& node, const std::string& key,
                         const TableReader& driver) {
    if (!node.is_table()) driver.failKey(key, node, "must be a table, not " + typeName(node));
    TableReader reader(*node.as_table(), key, driver.context());
    SpeakerFilter filter;
    const std::string kind = reader.requiredString("kind");
    const auto* crossover = std::find(kCrossoverNames.begin(), kCrossoverNames.end(), kind);
    if (crossover != kCrossoverNames.end()) {
        filter.kind = static_cast<SpeakerFilter::Kind>(crossover - kCrossoverNames.begin());
        readCrossover(reader, filter);
    } else if (const auto biquad = filterKindNamed(kind.c_str())) {
        readBiquad(reader, *biquad, filter);
    } else {
        failUnknownKind(reader, *reader.find("kind"), "kind", kind, choices(kFilterNames));
    }
    reader.finish();
    return filter;
}

// The chain of filters under `filter` of a driver's table or of the file's
// top level (`header` names its tables in messages).
std::vector<SpeakerFilter> readFilters(TableReader& driver, const char* header) {
    std::vector<SpeakerFilter> filters;
    const toml::node* node = driver.find("filter");
    if (node == nullptr) return filters;
    const toml::array* array = node->as_array();
    if (array == nullptr) {
        driver.fail(*node, "filter", std::string("must be an array of tables (") + header + ")");
    }
    for (std::size_t i = 0; i < array->size(); ++i) {
        filters.push_back(readFilter(
            *array->get(i), driver.keyOf("filter") + "[" + std::to_string(i) + "]", driver));
    }
    return filters;
}

SpeakerDriver readDriver(TableReader& reader, const FrdLoader& loader) {
    SpeakerDriver driver;
    driver.name = reader.requiredString("name");
    if (driver.name.empty()) reader.fail(*reader.find("name"), "name", "must not be empty");
    driver.centreM = reader.requiredPoint("centre");
    driver.pistonDiameterM = reader.length("diameter", 0.0, true);
    driver.rearOn = reader.boolean("rear", driver.rearOn);
    driver.rearLevelDb = reader.number("rear_level_db", driver.rearLevelDb);
    driver.inverted = reader.boolean("inverted", driver.inverted);
    driver.gainDb = reader.number("gain_db", driver.gainDb);
    driver.delayMs = reader.number("delay_ms", driver.delayMs);
    driver.response = readResponse(reader, loader);
    driver.filters = readFilters(reader, "[[driver.filter]]");
    reader.finish();
    return driver;
}

std::vector<SpeakerDriver> readDrivers(TableReader& root, const FrdLoader& loader) {
    const toml::node& node = root.required("driver");
    const toml::array* array = node.as_array();
    if (array == nullptr || array->empty()) {
        root.fail(node, "driver", "must be an array of tables ([[driver]]), not " + typeName(node));
    }
    std::vector<SpeakerDriver> drivers;
    for (std::size_t i = 0; i < array->size(); ++i) {
        const toml::node& entry = *array->get(i);
        const std::string key = "driver[" + std::to_string(i) + "]";
        if (!entry.is_table()) root.failKey(key, entry, "must be a table, not " + typeName(entry));
        TableReader reader(*entry.as_table(), key, root.context());
        drivers.push_back(readDriver(reader, loader));
        for (std::size_t j = 0; j < i; ++j) {
            if (drivers[j].name == drivers[i].name) {
                reader.fail(*reader.find("name"), "name",
                            "driver[" + std::to_string(j) + "] has the same name \"" +
                                drivers[i].name + "\": each driver needs its own");
            }
        }
    }
    return drivers;
}

SpeakerInUnit readSpeaker(const toml::table& root, std::string_view fileName,
                          const FrdLoader& loader) {
    const ReadContext bootstrap{std::string(fileName), 0.01, "cm"};
    TableReader unitReader(root, "", bootstrap);
    const ReadContext context = contextOf(unitReader, std::string(fileName));
    TableReader reader(root, "", context);
    static_cast<void>(reader.find("unit"));
    Speaker speaker;
    speaker.name = reader.string("name", "");
    speaker.speedOfSoundMPerS = reader.positive("speed_of_sound", speaker.speedOfSoundMPerS);
    speaker.baffle = readBaffle(reader);
    readListening(reader, speaker);
    readGrid(reader, speaker);
    speaker.drivers = readDrivers(reader, loader);
    speaker.filters = readFilters(reader, "[[filter]]");
    reader.finish();
    return {std::move(speaker), context.unitName};
}

}  // namespace

Result<SpeakerInUnit, SpeakerFileError> parseSpeakerTextInUnit(std::string_view text,
                                                               std::string_view fileName,
                                                               const FrdLoader& loader) {
    if (text.size() > kMaxSpeakerFileBytes) {
        return SpeakerFileError{
            std::string(fileName), 0, 0, "",
            "the file is larger than " + std::to_string(kMaxSpeakerFileBytes) + " bytes"};
    }
    try {
        const toml::table root = toml::parse(text, fileName);
        return readSpeaker(root, fileName, loader);
    } catch (const toml::parse_error& error) {
        return SpeakerFileError{std::string(fileName), static_cast<int>(error.source().begin.line),
                                static_cast<int>(error.source().begin.column), "",
                                std::string(error.description())};
    } catch (const FileFault& fault) {
        return fault.error;
    }
}

Result<Speaker, SpeakerFileError> parseSpeakerText(std::string_view text, std::string_view fileName,
                                                   const FrdLoader& loader) {
    auto read = parseSpeakerTextInUnit(text, fileName, loader);
    if (!read) return read.error();
    return std::move(read->speaker);
}

}  // namespace opbaff
