#include "run/parameter_reader.h"

#include <array>
#include <cstring>
#include <optional>

#include "model/run_constants.h"
#include "run/char_stream.h"
#include "run/code_field.h"
#include "run/real_field.h"

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

ReadFailure endOfFile(const char* place) {
    return {place, "", true};
}

class RecordReader {
  public:
    explicit RecordReader(ByteInput& input) : in_(input) {}

    // Reads one record into its slot of `set`; a failure if there is none to read.
    std::optional<ReadFailure> read(const Slot& slot, ParameterSet& set);

    // Passes over the rest of the line on which the last value ended.
    void finishLine() { in_.skipLine(); }

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
    if (in_.errorNumber() != 0) return {"list in", std::strerror(in_.errorNumber()), false};
    return other;
}

std::optional<ReadFailure> RecordReader::read(const Slot& slot, ParameterSet& set) {
    // The end met while the previous record was read or its line skipped.
    if (in_.endMet()) return failure(endOfFile("read start"));
    if (!seekValue()) return failure(endOfFile("list in"));
    const int first = in_.peek();
    FieldStatus status = FieldStatus::null;
    if (first == ',' || first == '/') {
        in_.get();
    } else {
        status = readValue(slot, set);
    }
    switch (status) {
        case FieldStatus::invalidNumber:
            return failure({"invalid number", kIncomprehensible});
        case FieldStatus::badExponent:
            return failure({"exponent field", kIncomprehensible});
        case FieldStatus::badRepeatCount:
            return failure({"bad repetition count", kIncomprehensible});
        case FieldStatus::value:
        case FieldStatus::null:
        case FieldStatus::unterminated:  // the next record meets the end
            break;
    }
    if (in_.errorNumber() != 0) return failure({});
    return std::nullopt;
}

}  // namespace

ReadResult readParameterFile(ByteInput& input, Real pi) {
    RecordReader reader(input);
    ParameterSet set;
    for (std::size_t record = 0; record < kRecords.size(); ++record) {
        if (record > 0) reader.finishLine();
        if (auto failure = reader.read(kRecords[record], set)) return *failure;
    }
    set.offAxisAngle = listeningAngleRadians(set.offAxisAngleDeg, pi);
    return set;
}

}  // namespace opbaff
