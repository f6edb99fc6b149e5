#include "check.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string_view>

#include "number_text.h"
#include "opbaff/design_check.h"
#include "opbaff/response.h"
#include "opbaff/thin_plate.h"
#include "words.h"

namespace opbaff::tools {
namespace {

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == '/';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), lower);
    return text;
}

// The characters of `text` up to its first blank, tab, comma or slash.
std::string firstWord(std::string_view text) {
    return std::string(text.substr(0, std::min(text.size(), text.find_first_of(" \t,/"))));
}

// What the user wrote, in quotes unless it carries its own.
std::string shown(const std::string& written) {
    std::string text = printableAscii(written);
    const bool quoted =
        text.size() > 1 && (text[0] == '\'' || text[0] == '"') && text.back() == text[0];
    if (quoted) return text;
    const char quote = text.find('"') == std::string::npos ? '"' : '\'';
    return quote + text + quote;
}

const RecordSpec& specOf(int record) {
    return kParameterRecords[static_cast<std::size_t>(record - 1)];
}

// ---- Numbers followed by something other than a separator ----------------

enum class Quantity { length, frequency, angle };

struct UnitWord {
    const char* word;  // lower case
    const char* name;  // as the note writes it
    Quantity quantity;
    double factor;  // in cm, Hz or degrees
};

const UnitWord kUnitWords[] = {
    {"mm", "mm", Quantity::length, 0.1},
    {"cm", "cm", Quantity::length, 1.0},
    {"m", "m", Quantity::length, 100.0},
    {"in", "in", Quantity::length, 2.54},
    {"inch", "in", Quantity::length, 2.54},
    {"\"", "in", Quantity::length, 2.54},
    {"ft", "ft", Quantity::length, 30.48},
    {"hz", "Hz", Quantity::frequency, 1.0},
    {"khz", "kHz", Quantity::frequency, 1000.0},
    {"degrees", "degrees", Quantity::angle, 1.0},
    {"\xc2\xb0", "degrees", Quantity::angle, 1.0},
    {"rad", "rad", Quantity::angle, 57.29577951308232},
};

const UnitWord* unitWord(const std::string& word) {
    const std::string key = lowered(word);
    const auto* found = std::find_if(std::begin(kUnitWords), std::end(kUnitWords),
                                     [&](const UnitWord& unit) { return key == unit.word; });
    return found == std::end(kUnitWords) ? nullptr : found;
}

// A unit word after a number of a record that has a unit: none if it is the
// record's own unit, else what the user probably meant.
std::optional<std::string> unitNote(const RecordSpec& spec, const RecordInfo& info,
                                    const UnitWord& written, const std::string& word) {
    const UnitWord* own = unitWord(spec.unit);
    const bool same =
        own != nullptr && own->quantity == written.quantity && own->factor == written.factor;
    if (own == nullptr || same) return std::nullopt;
    const std::string taken = shortNumber(info.number) + " " + spec.unit;
    const std::string start =
        shown(info.text + word) + " reads as " + taken + ", the word " + shown(word) + " skipped";
    if (own->quantity != written.quantity) return start + ": this record is in " + spec.unit + ".";
    // From the number as written, so that 0.6 m gives 60 cm and not 60.000004.
    const auto meant = static_cast<float>(decimalValue(info.number) * written.factor / own->factor);
    return start + ": " + shortNumber(info.number) + " " + written.name + " = " +
           shortNumber(meant) + " " + spec.unit + "; write " + shortNumber(meant) + ".";
}

// The word with a digit for each letter O or o (a zero?) and l or I (a one?).
std::string withDigitsForLetters(std::string word, bool& zero, bool& one) {
    for (char& c : word) {
        if (c == 'O' || c == 'o') {
            zero = true;
            c = '0';
        } else if (c == 'l' || c == 'I') {
            one = true;
            c = '1';
        }
    }
    return word;
}

std::string skippedNote(const RecordInfo& info, const std::string& word) {
    std::string text = shown(info.text + word) + " reads as " + shortNumber(info.number) + ": " +
                       shown(word) + " is skipped.";
    bool zero = false;
    bool one = false;
    const std::string digits = withDigitsForLetters(word, zero, one);
    if (zero && one) {
        text += " Are they letters for zeros and ones?";
    } else if (zero) {
        text += " Is it a letter O for a zero?";
    } else if (one) {
        text += " Is it a letter l or I for a one?";
    } else {
        return text;
    }
    const bool plainDigits =
        std::all_of(digits.begin(), digits.end(), [](char c) { return isDigit(c) || c == '.'; });
    return plainDigits ? text + " Then write " + printableAscii(info.text + digits) + "." : text;
}

std::optional<std::string> numberNote(const RecordSpec& spec, const RecordInfo& info) {
    const std::string& rest = info.rest;
    if (rest.size() > 1 && rest[0] == ',' && isDigit(rest[1])) {
        // "0,7": the comma ends the number, the 7 is a remark.
        const std::string decimals = firstWord(std::string_view(rest).substr(1));
        return shown(info.text + "," + decimals) + " reads as " + shortNumber(info.number) +
               ": a comma ends a number. Write " + printableAscii(info.text + "." + decimals) + ".";
    }
    if (rest.empty() || isSeparator(rest[0])) return std::nullopt;
    const std::string word = firstWord(rest);
    if (const UnitWord* unit = unitWord(word); unit != nullptr && unitWord(spec.unit) != nullptr) {
        return unitNote(spec, info, *unit, word);
    }
    return skippedNote(info, word);
}

// ---- Codes ------------------------------------------------------------------

struct CodeChoice {
    int record;
    const char* letters;  // the recognised one-letter codes
    const char* meaning;  // what writing the code's letter in lower case does
};

const CodeChoice kCodeChoices[] = {
    {2, "rRuU", ""},
    {11, "n", "to turn the rear phase factor off"},
    {12, "y", "to turn the piston factor on"},
    {14, "d", "for the half rear level"},
};

std::string modelMeaning(char letter) {
    return letter == 'r' ? "for the rectangular baffle" : "for the single-path model, half delay";
}

// "n", "r, R, u or U".
std::string lettersText(const std::string& letters) {
    std::string text;
    for (std::size_t k = 0; k < letters.size(); ++k) {
        if (k > 0) text += k + 1 == letters.size() ? " or " : ", ";
        text += letters[k];
    }
    return text;
}

std::string trimmed(const std::string& code) {
    const std::size_t first = code.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return code.substr(first, code.find_last_not_of(' ') - first + 1);
}

std::string codeEffect(const Design& design, int record) {
    switch (record) {
        case 2:
            return modelWords(design.model);
        case 11:
            return design.rearPhaseFactor == RearPhaseFactor::on ? "rear phase factor on"
                                                                 : "rear phase factor off";
        case 12:
            return design.pistonFactor == PistonFactor::on ? "piston factor on"
                                                           : "piston factor off";
        default:
            return design.rearLevel == RearLevel::half ? "rear level half" : "rear level full";
    }
}

// A code that is none of the recognised ones but starts with one of their
// letters in either case: "Y", "yes", "rect", " n".
std::optional<std::string> codeNote(const CodeChoice& choice, const RecordInfo& info,
                                    const Design& design) {
    const std::string code = trimmed(info.code);
    const std::string letters = choice.letters;
    const bool recognised = info.code.size() == 3 && info.code.substr(1) == "  " &&
                            letters.find(info.code[0]) != std::string::npos;
    if (recognised || code.empty()) return std::nullopt;
    const std::size_t match = lowered(letters).find(lower(code[0]));
    if (match == std::string::npos) return std::nullopt;
    const char letter = lower(letters[match]);
    const std::string meaning = choice.record == 2 ? modelMeaning(letter) : choice.meaning;
    return shown(info.text) + " is taken as '" + printableAscii(info.code) + "', not " +
           lettersText(letters) + ": " + codeEffect(design, choice.record) + ". Write " + letter +
           " " + meaning + ".";
}

std::optional<std::string> nullNote(const ParameterFile& file, int record) {
    const RecordInfo& info = file.records[static_cast<std::size_t>(record - 1)];
    if (specOf(record).type == RecordType::number) {
        return "No value (" + shown(info.text) + "): the record reads as 0.";
    }
    return "No value (" + shown(info.text) + "): the code reads as three blanks, " +
           codeEffect(file.design, record) + ".";
}

std::optional<std::string> recordNote(const ParameterFile& file, int record) {
    const RecordInfo& info = file.records[static_cast<std::size_t>(record - 1)];
    if (info.isNull) return nullNote(file, record);
    if (specOf(record).type == RecordType::number) return numberNote(specOf(record), info);
    const auto* choice =
        std::find_if(std::begin(kCodeChoices), std::end(kCodeChoices),
                     [record](const CodeChoice& code) { return code.record == record; });
    if (choice == std::end(kCodeChoices)) return std::nullopt;
    return codeNote(*choice, info, file.design);
}

}  // namespace

std::vector<Note> recordNotes(const ParameterFile& file) {
    std::vector<Note> notes;
    for (const RecordSpec& spec : kParameterRecords) {
        if (auto text = recordNote(file, spec.number)) notes.push_back({spec.number, *text});
    }
    return notes;
}

std::vector<Note> designNotes(const Design& design) {
    return designNotes(design, computeResponse(design));
}

std::vector<Note> designNotes(const Design& design, const Response& response) {
    std::vector<Note> notes;
    for (DesignNote& note : checkDesign(design, response)) {
        notes.push_back({note.record(), std::move(note.text)});
    }
    return notes;
}

std::string valueText(const ParameterFile& file, int record) {
    const RecordInfo& info = file.records[static_cast<std::size_t>(record - 1)];
    if (specOf(record).type == RecordType::number) return shortNumber(info.number);
    // Appended piece by piece: GCC 12 warns falsely on "'" + std::string.
    std::string text(1, '\'');
    text.append(printableAscii(info.code)).append("' (");
    return text.append(codeEffect(file.design, record)).append(")");
}

}  // namespace opbaff::tools

namespace opbaff::tools {
namespace {

Result<PlateOutline, PlateError> outlineOf(const SpeakerBaffle& baffle) {
    if (baffle.isPolygon) return PlateOutline::polygon(baffle.polygonM);
    switch (baffle.corners) {
        case SpeakerBaffle::Corners::chamfered:
            return PlateOutline::chamferedRectangle(baffle.widthM, baffle.heightM,
                                                    baffle.cornerSizeM);
        case SpeakerBaffle::Corners::rounded:
            return PlateOutline::roundedRectangle(baffle.widthM, baffle.heightM,
                                                  baffle.cornerSizeM);
        default:
            return PlateOutline::rectangle(baffle.widthM, baffle.heightM);
    }
}

// The distance from p to the outline's nearest side.
double distanceToBorder(const PlateOutline& outline, PlatePoint p) {
    const std::vector<PlatePoint>& corners = outline.corners();
    double nearest = INFINITY;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const PlatePoint a = corners[i];
        const PlatePoint b = corners[(i + 1) % corners.size()];
        const double dx = b.x - a.x;
        const double dy = b.y - a.y;
        const double lengthSquared = dx * dx + dy * dy;
        const double t =
            lengthSquared > 0.0
                ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared, 0.0, 1.0)
                : 0.0;
        nearest = std::min(nearest, std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy)));
    }
    return nearest;
}

// A centre closer to the border than this (a nanometre) is on it.
constexpr double kOnBorderM = 1e-9;

void placementNotes(const Speaker& speaker, std::vector<std::string>& notes) {
    const auto outline = outlineOf(speaker.baffle);
    if (!outline) {
        notes.push_back(std::string("the baffle's outline cannot be built: ") +
                        plateErrorText(outline.error()));
        return;
    }
    for (const SpeakerDriver& driver : speaker.drivers) {
        if (outline->containsStrictly(driver.centreM)) continue;
        const bool onBorder = distanceToBorder(*outline, driver.centreM) <= kOnBorderM;
        notes.push_back("driver \"" + driver.name + "\" at " + centimetrePointText(driver.centreM) +
                        (onBorder ? " is on the baffle's border" : " is off the baffle") +
                        ": its centre must lie inside");
    }
}

void overlapNotes(const Speaker& speaker, std::vector<std::string>& notes) {
    const std::vector<SpeakerDriver>& drivers = speaker.drivers;
    for (std::size_t i = 0; i < drivers.size(); ++i) {
        for (std::size_t j = i + 1; j < drivers.size(); ++j) {
            const double apart = std::hypot(drivers[i].centreM.x - drivers[j].centreM.x,
                                            drivers[i].centreM.y - drivers[j].centreM.y);
            const double radii = 0.5 * (drivers[i].pistonDiameterM + drivers[j].pistonDiameterM);
            if (apart < radii) {
                notes.push_back("drivers \"" + drivers[i].name + "\" and \"" + drivers[j].name +
                                "\" overlap: their centres are " + centimetreText(apart) +
                                " cm apart, their radii add up to " + centimetreText(radii) +
                                " cm");
            }
        }
    }
}

}  // namespace

std::string centimetreText(double metres) {
    std::array<char, 32> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%.6g", metres * 100.0);
    return buffer.data();
}

std::string centimetrePointText(PlatePoint p) {
    std::string text(1, '(');
    return text.append(centimetreText(p.x)).append(", ").append(centimetreText(p.y)).append(") cm");
}

std::vector<std::string> speakerNotes(const Speaker& speaker) {
    std::vector<std::string> notes;
    placementNotes(speaker, notes);
    overlapNotes(speaker, notes);
    return notes;
}

}  // namespace opbaff::tools
