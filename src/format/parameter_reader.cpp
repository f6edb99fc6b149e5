#include "format/parameter_reader.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>

#include "format/char_stream.h"
#include "format/code_field.h"
#include "format/real_field.h"
#include "model/run_constants.h"

namespace opbaff {
namespace {

using RealSlot = Real ParameterSet::*;
using CodeSlot = Code ParameterSet::*;
using Slot = std::variant<RealSlot, CodeSlot>;

// The records of the file, in order.
const std::array<Slot, 15> kRecords = {
    &ParameterSet::headerValue,
    &ParameterSet::modelCode,
    &ParameterSet::baffleHeightCm,
    &ParameterSet::baffleWidthCm,
    &ParameterSet::driverXCm,
    &ParameterSet::driverYCm,
    &ParameterSet::driverDiameterCm,
    &ParameterSet::resonanceHz,
    &ParameterSet::qualityFactor,
    &ParameterSet::listenerDistanceM,
    &ParameterSet::rearPhaseCode,
    &ParameterSet::pistonCode,
    &ParameterSet::roundBaffleDiameterCm,
    &ParameterSet::rearLevelCode,
    &ParameterSet::offAxisAngleDeg,
};

const char* const kIncomprehensible = "incomprehensible list input";

ReadFailure endOfFile(ReadError error, const char* place) {
    ReadFailure failure;
    failure.error = error;
    failure.place = place;
    failure.endOfFile = true;
    return failure;
}

ReadFailure syntaxError(ReadError error, const char* place) {
    ReadFailure failure;
    failure.error = error;
    failure.place = place;
    failure.reason = kIncomprehensible;
    return failure;
}

std::string codeText(const Code& code) {
    return {code.begin(), code.end()};
}

class RecordReader {
  public:
    explicit RecordReader(ByteSource& input) : in_(input) {}

    // Reads one record into its slot of `set`; a failure if there is none to read.
    // With `info`, notes where the value stood and its text.
    std::optional<ReadFailure> read(const Slot& slot, ParameterSet& set, RecordInfo* info);

    // Passes over the rest of the line on which the last value ended, keeping
    // it in `info` if there is one.
    void finishLine(RecordInfo* info) {
        if (info == nullptr) {
            in_.skipLine();
        } else {
            in_.skipLine(info->rest, kRecordTextLimit);
        }
    }

    // The line the reader stands on.
    int line() const { return static_cast<int>(std::min<std::uint64_t>(in_.line(), INT_MAX)); }

  private:
    // Skips blanks, tabs and line ends; false if the input ends first.
    bool seekValue();
    FieldStatus readValue(const Slot& slot, ParameterSet& set);
    // A read error, once one has happened, outranks whatever else went wrong.
    ReadFailure failure(ReadFailure other) const;

    CharStream in_;
};

bool RecordReader::seekValue() {
    for (;;) {
        const int c = in_.peek();
        if (c != ' ' && c != '\t' && c != '\n') return c != kEndOfInput;
        in_.get();
    }
}

FieldStatus RecordReader::readValue(const Slot& slot, ParameterSet& set) {
    if (const auto* real = std::get_if<RealSlot>(&slot)) {
        const RealField field = readRealField(in_);
        set.*(*real) = field.value;
        return field.status;
    }
    const CodeField field = readCodeField(in_);
    set.*std::get<CodeSlot>(slot) = field.value;
    return field.status;
}

ReadFailure RecordReader::failure(ReadFailure other) const {
    if (in_.errorNumber() != 0) {
        other = ReadFailure{};
        other.error = ReadError::readFailed;
        other.place = "list in";
        other.reason = std::strerror(in_.errorNumber());
    }
    other.line = line();
    return other;
}

std::optional<ReadFailure> RecordReader::read(const Slot& slot, ParameterSet& set,
                                              RecordInfo* info) {
    // The end met while the previous record was read or its line skipped.
    if (in_.endMet()) return failure(endOfFile(ReadError::endAtStart, "read start"));
    if (!seekValue()) return failure(endOfFile(ReadError::endOfList, "list in"));
    if (info != nullptr) {
        info->line = line();
        in_.capture(&info->text, kRecordTextLimit);
    }
    const int first = in_.peek();
    FieldStatus status = FieldStatus::null;
    if (first == ',' || first == '/') {
        in_.get();
    } else {
        status = readValue(slot, set);
    }
    in_.capture(nullptr);
    if (info != nullptr) info->isNull = status == FieldStatus::null;
    switch (status) {
        case FieldStatus::invalidNumber:
            return failure(syntaxError(ReadError::invalidNumber, "invalid number"));
        case FieldStatus::badExponent:
            return failure(syntaxError(ReadError::badExponent, "exponent field"));
        case FieldStatus::badRepeatCount:
            return failure(syntaxError(ReadError::badRepeatCount, "bad repetition count"));
        case FieldStatus::value:
        case FieldStatus::null:
        case FieldStatus::unterminated:  // the next record meets the end
            break;
    }
    if (in_.errorNumber() != 0) return failure({});
    return std::nullopt;
}

// The value a record took, for its trace.
void noteValue(const Slot& slot, const ParameterSet& set, RecordInfo& info) {
    if (const auto* real = std::get_if<RealSlot>(&slot)) {
        info.number = set.*(*real);
    } else {
        info.code = codeText(set.*std::get<CodeSlot>(slot));
    }
}

}  // namespace

Real ParameterSet::*numberSlotOfRecord(int record) {
    const auto* slot = std::get_if<RealSlot>(&kRecords[static_cast<std::size_t>(record - 1)]);
    return slot != nullptr ? *slot : nullptr;
}

ReadResult readParameterRecords(ByteSource& input, Real pi, RecordTrace* trace) {
    RecordReader reader(input);
    ParameterSet set;
    RecordInfo* previous = nullptr;
    for (std::size_t record = 0; record < kRecords.size(); ++record) {
        if (record > 0) reader.finishLine(previous);
        RecordInfo* info = trace != nullptr ? &(*trace)[record] : nullptr;
        if (auto failure = reader.read(kRecords[record], set, info)) {
            failure->record = static_cast<int>(record) + 1;
            return *failure;
        }
        if (info != nullptr) noteValue(kRecords[record], set, *info);
        previous = info;
    }
    // The remark of the last line, only when it was asked for.
    if (previous != nullptr) reader.finishLine(previous);
    set.offAxisAngle = listeningAngleRadians(set.offAxisAngleDeg, pi);
    return set;
}

}  // namespace opbaff
