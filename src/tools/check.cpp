#include "tools/check.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <optional>
#include <string_view>

#include "opbaff/response.h"
#include "tools/words.h"

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

// The number the float's shortest text stands for: 0.6, not 0.60000002.
double decimalValue(float value) {
    const std::string text = shortNumber(value);
    double number = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
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

// ---- The design -------------------------------------------------------------

std::string withUnit(float value, const char* unit) {
    return shortNumber(value) + (*unit == '\0' ? "" : " ") + unit;
}

// Values the model divides by, or that only make sense above 0.
struct PositiveValue {
    int record;
    const char* label;
    const char* unit;
    float Design::*field;
    const char* atZero;
};

const PositiveValue kPositiveValues[] = {
    {7, "A driver diameter", "cm", &Design::driverDiameterCm,
     "describes no driver: the piston terms divide by zero"},
    {8, "A resonance", "Hz", &Design::resonanceHz,
     "divides by zero in the driver's high-pass: no level is a finite number"},
    {9, "A Q", "", &Design::qualityFactor,
     "divides by zero in the driver's high-pass: no level is a finite number"},
    {10, "A listener distance", "m", &Design::listenerDistanceM,
     "puts the listener on the driver, where the rear wave's weight drops to 0"},
};

void positiveNotes(const Design& design, std::vector<Note>& notes) {
    for (const PositiveValue& value : kPositiveValues) {
        const float v = design.*value.field;
        const std::string start = std::string(value.label) + " of " + withUnit(v, value.unit);
        if (v == 0.0F) notes.push_back({value.record, start + " " + value.atZero + "."});
        if (v < 0.0F) {
            notes.push_back({value.record, start + " is below 0: it has no physical meaning."});
        }
    }
}

void baffleSizeNotes(const Design& d, std::vector<Note>& notes) {
    if (d.baffleHeightCm <= 0.0F) {
        notes.push_back(
            {3, "A baffle height of " + withUnit(d.baffleHeightCm, "cm") + " cannot be built."});
    }
    if (d.baffleWidthCm <= 0.0F) {
        notes.push_back(
            {4, "A baffle width of " + withUnit(d.baffleWidthCm, "cm") + " cannot be built."});
    }
}

// Where on the rectangular baffle the driver sits, and whether it fits. A centre
// outside the baffle gives edge distances below 0: the model's "gains" mean nothing.
void driverPlacementNotes(const Design& d, std::vector<Note>& notes) {
    const std::string baffle = "the " + shortNumber(d.baffleWidthCm) + " x " +
                               shortNumber(d.baffleHeightCm) + " cm baffle";
    if (d.baffleWidthCm > 0.0F && (d.driverXCm < 0.0F || d.driverXCm > d.baffleWidthCm)) {
        notes.push_back({5, "The driver centre (x " + withUnit(d.driverXCm, "cm") +
                                ") lies outside " + baffle + ": the levels mean nothing."});
    }
    if (d.baffleHeightCm > 0.0F && (d.driverYCm < 0.0F || d.driverYCm > d.baffleHeightCm)) {
        notes.push_back({6, "The driver centre (y " + withUnit(d.driverYCm, "cm") +
                                ") lies outside " + baffle + ": the levels mean nothing."});
    }
    const float narrowest = std::min(d.baffleWidthCm, d.baffleHeightCm);
    if (narrowest > 0.0F && d.driverDiameterCm > narrowest) {
        notes.push_back({7, "The driver (" + withUnit(d.driverDiameterCm, "cm") +
                                ") is wider than " + baffle + "."});
    }
}

void rectangularNotes(const Design& d, std::vector<Note>& notes) {
    baffleSizeNotes(d, notes);
    driverPlacementNotes(d, notes);
    // Only the rectangular model hears the baffle off axis.
    if (std::abs(d.offAxisAngleDeg) > 90.0F) {
        notes.push_back({15, "A listening angle of " + shortNumber(d.offAxisAngleDeg) +
                                 " degrees is beyond +-90: the listener is behind the baffle."});
    }
}

void finiteValueNotes(const Design& d, std::vector<Note>& notes) {
    const float values[] = {d.baffleHeightCm, d.baffleWidthCm,     d.driverXCm,
                            d.driverYCm,      d.driverDiameterCm,  d.resonanceHz,
                            d.qualityFactor,  d.listenerDistanceM, d.roundBaffleDiameterCm,
                            d.offAxisAngleDeg};
    const int records[] = {3, 4, 5, 6, 7, 8, 9, 10, 13, 15};
    for (std::size_t k = 0; k < std::size(values); ++k) {
        if (!std::isfinite(values[k])) {
            notes.push_back({records[k], std::string(specOf(records[k]).name) + " is " +
                                             shortNumber(values[k]) + ", not a finite number."});
        }
    }
}

// The honest test: the rows of the response whose levels are not all finite.
std::optional<Note> levelNote(const Response& response) {
    std::size_t rows = 0;
    for (std::size_t i = 0; i < response.frequenciesHz.size(); ++i) {
        rows += std::any_of(response.columns.begin(), response.columns.end(),
                            [i](const ResponseColumn& c) { return !std::isfinite(c.levelsDb[i]); })
                    ? 1
                    : 0;
    }
    if (rows == 0) return std::nullopt;
    return Note{0, std::to_string(rows) + " of the " +
                       std::to_string(response.frequenciesHz.size()) +
                       " rows hold levels that are not finite numbers."};
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
    finiteValueNotes(design, notes);
    if (design.model == Model::rectangular) rectangularNotes(design, notes);
    positiveNotes(design, notes);
    if (design.roundBaffleDiameterCm < design.driverDiameterCm) {
        notes.push_back({13, "The round baffle (" + withUnit(design.roundBaffleDiameterCm, "cm") +
                                 ") is smaller than the driver (" +
                                 withUnit(design.driverDiameterCm, "cm") + ")."});
    }
    if (auto note = levelNote(response)) notes.push_back(*note);
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
