// opbaff: parameter files ("Opbaffin.txt") read and written as values.
//
// A parameter file holds fifteen values, one per record, in a fixed order (see
// kParameterRecords). Each value stands at the start of its line (blank lines in
// front are skipped); anything after a blank, tab, comma or slash is a remark.
// The reader accepts and rejects exactly what the program does.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "opbaff/design.h"
#include "opbaff/design_fields.h"
#include "opbaff/result.h"

namespace opbaff {

enum class RecordType { number, code };

// One record of the parameter file: its number (1 to 15), its name, its unit
// ("-" for none), its type and a short meaning.
struct RecordSpec {
    int number;
    const char* name;
    const char* unit;
    RecordType type;
    const char* meaning;
};

namespace detail {

// The first record, the four code records, and each design field's record.
constexpr std::array<RecordSpec, 15> parameterRecords() {
    std::array<RecordSpec, 15> records{{
        {1, "headerValue", "-", RecordType::number, "read and ignored"},
        {2, "modelCode", "-", RecordType::code,
         "model: r or R rectangular baffle, u or U single path with half delay, else single path"},
        {11, "rearPhaseCode", "-", RecordType::code, "rear phase factor: n off, else on"},
        {12, "pistonCode", "-", RecordType::code, "piston factor: y on, else off"},
        {14, "rearLevelCode", "-", RecordType::code, "rear level: d half, else full"},
    }};
    std::size_t next = 5;
    for (const DesignField& field : kDesignFields) {
        records[next++] = {field.record, field.name, field.unit, RecordType::number, field.meaning};
    }
    // In record order (an insertion sort, done by the compiler).
    for (std::size_t i = 1; i < records.size(); ++i) {
        for (std::size_t j = i; j > 0 && records[j - 1].number > records[j].number; --j) {
            const RecordSpec held = records[j];
            records[j] = records[j - 1];
            records[j - 1] = held;
        }
    }
    return records;
}

}  // namespace detail

// records[k] is record k + 1.
inline constexpr std::array<RecordSpec, 15> kParameterRecords = detail::parameterRecords();

// Where a record's value stood and what surrounded it. Texts keep at most
// kRecordTextLimit bytes; line ends are left out (a CR LF pair counts as one).
struct RecordInfo {
    int line = 0;         // 1-based line of the value's first character
    bool isNull = false;  // no value: a lone comma or slash, or "N*" before a separator
    std::string text;     // the value as written ("1", "'y'", "2*0.5", "," for a null)
    std::string rest;     // what the reader skipped after the value on its line
    float number = 0.0F;  // number records: the value taken (0 for a null record)
    std::string code;     // code records: the three characters taken, blank-padded
};

inline constexpr std::size_t kRecordTextLimit = 256;

// A parameter file that was read: the design, the ignored first value, and what
// each record held (records[k] is record k + 1).
struct ParameterFile {
    Design design;
    float headerValue = 0.0F;
    std::array<RecordInfo, 15> records{};
};

// Why a parameter file could not be read.
enum class ReadError {
    cannotOpen,      // the file could not be opened (reading from a path only)
    endOfList,       // "list in: end of file": the file ends before a record's value
    endAtStart,      // "read start: end of file": it ended during the record before
    invalidNumber,   // "invalid number: incomprehensible list input"
    badExponent,     // "exponent field: incomprehensible list input"
    badRepeatCount,  // "bad repetition count: incomprehensible list input"
    readFailed,      // "list in: <system's reason>": the system reported a read error
};

struct ReadFailure {
    ReadError error = ReadError::endOfList;
    // The place of the program's report ("list in", "read start", "invalid number",
    // "exponent field", "bad repetition count"); for cannotOpen, the path.
    std::string place;
    // "incomprehensible list input", or the system's text for the error (as
    // strerror gives it); empty when endOfFile.
    std::string reason;
    bool endOfFile = false;  // endOfList and endAtStart
    int record = 0;          // the record (1 to 15) being read; 0 for cannotOpen
    int line = 0;            // the 1-based line the reader stood on; 0 for cannotOpen

    // The first line of the program's report for this failure, "list in: end of
    // file", or for cannotOpen "<path>: <reason>".
    std::string message() const;

    // The failure with where it happened, for a person to read:
    // "<source>: invalid number: incomprehensible list input (record 3, line 3)",
    // where `source` names what was read (a path, "<stdin>"); for cannotOpen
    // "<path>: <reason>", the path being the one that could not be opened.
    std::string describe(std::string_view source) const;
};

// Bytes of a parameter file, for reading from something other than memory or a
// path (the program reads its opened file through one).
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads up to `capacity` bytes into `buffer`. Returns the count (above 0), 0
    // at the end of the input, or -1 on an error with errno set, as read(2) does.
    virtual long readSome(char* buffer, std::size_t capacity) = 0;
};

// Reads a parameter file from memory. The bytes belong to the caller and are not
// kept.
Result<ParameterFile, ReadFailure> readParameterText(std::string_view bytes);

// Reads the file at `path` (only as far as its fifteenth line). A file that cannot
// be opened, or a directory, gives cannotOpen with the system's reason.
Result<ParameterFile, ReadFailure> readParameterFile(const std::filesystem::path& path);

// Reads from `source`, which stays the caller's, as far as the end of the
// fifteenth line. A read failure after the fifteenth value (in its remark) goes
// unreported, as the program never reads that far.
Result<ParameterFile, ReadFailure> readParameterStream(ByteSource& source);

// Reads the design alone, as the program does: nothing after the fifteenth value
// is read, not even the rest of its line, and no record is noted.
Result<Design, ReadFailure> readDesign(ByteSource& source);

// A canonical parameter file for `design`: fifteen lines, LF line ends, each
// value followed by a remark that names it ("60         baffleWidthCm: width of
// the rectangular baffle, cm"). Codes are written as r, s or u for the model,
// y or n for the two factors, f or d for the rear level; numbers in the fewest
// digits that read back to the same float, infinities as 1e39 and -1e39 (which
// read as infinities). Reading the text gives the same design; a negative zero
// reads back as +0. Error: valueNotANumber if a value is NaN.
Result<std::string, Error> writeParameterText(const Design& design);

}  // namespace opbaff
