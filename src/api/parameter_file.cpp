#include "opbaff/parameter_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <variant>

#include "api/design_codes.h"
#include "api/fp_environment.h"
#include "format/memory_input.h"
#include "format/parameter_reader.h"
#include "model/run_constants.h"

namespace opbaff {
namespace {

// An open file, read with read(2) and closed with the object.
class DescriptorInput final : public ByteSource {
  public:
    explicit DescriptorInput(int fd) : fd_(fd) {}
    DescriptorInput(const DescriptorInput&) = delete;
    DescriptorInput& operator=(const DescriptorInput&) = delete;
    ~DescriptorInput() override { ::close(fd_); }

    long readSome(char* buffer, std::size_t capacity) override {
        ssize_t count = 0;
        do {
            count = ::read(fd_, buffer, capacity);
        } while (count < 0 && errno == EINTR);
        return count;
    }

  private:
    int fd_;
};

ReadFailure cannotOpen(const std::filesystem::path& path, int error) {
    ReadFailure failure;
    failure.error = ReadError::cannotOpen;
    failure.place = path.string();
    failure.reason = std::strerror(error);
    return failure;
}

// The fewest digits that the reader turns back into the same float (its
// decimal goes to the nearest double first, then to the nearest float), or
// nine significant digits, which always do.
std::string numberText(float value) {
    if (std::isinf(value)) return value > 0 ? "1e39" : "-1e39";
    if (value == 0.0F) return "0";
    std::array<char, 32> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size() - 1, value).ptr;
    *end = '\0';
    const auto back = static_cast<float>(std::strtod(text.data(), nullptr));
    if (std::bit_cast<std::uint32_t>(back) == std::bit_cast<std::uint32_t>(value)) {
        return {text.data(), end};
    }
    std::snprintf(text.data(), text.size(), "%.9g", static_cast<double>(value));
    return text.data();
}

// "<value padded to ten> <name>: <remark>".
std::string recordLine(const std::string& value, const RecordSpec& spec, const char* remark) {
    std::string line = value;
    line.resize(std::max<std::size_t>(line.size(), 10), ' ');
    line += ' ';
    line += spec.name;
    line += ": ";
    line += remark;
    line += '\n';
    return line;
}

std::string numberLine(float value, const RecordSpec& spec) {
    std::string remark = spec.meaning;
    if (std::strcmp(spec.unit, "-") != 0) {
        remark += ", ";
        remark += spec.unit;
    }
    return recordLine(numberText(value), spec, remark.c_str());
}

// The first record and the four codes, each with the canonical code of the
// design's choice.
std::string codeLine(const Design& d, const RecordSpec& spec) {
    switch (spec.number) {
        case 1:
            return recordLine("0", spec, "read and ignored");
        case 2:
            return recordLine(modelCodeOf(d.model), spec,
                              "r rectangular baffle, s single path, u single path with half delay");
        case 11:
            return recordLine(rearPhaseCodeOf(d.rearPhaseFactor), spec,
                              "y rear phase factor on, n off");
        case 12:
            return recordLine(pistonCodeOf(d.pistonFactor), spec, "y piston factor on, n off");
        default:
            break;
    }
    return recordLine(rearLevelCodeOf(d.rearLevel), spec, "f full rear level, d half");
}

}  // namespace

std::string ReadFailure::message() const {
    return place + ": " + (endOfFile ? std::string("end of file") : reason);
}

std::string ReadFailure::describe(std::string_view source) const {
    if (error == ReadError::cannotOpen) return message();
    return std::string(source) + ": " + message() + " (record " + std::to_string(record) +
           ", line " + std::to_string(line) + ")";
}

Result<ParameterFile, ReadFailure> readParameterStream(ByteSource& source) {
    const ExactEnvironment exact;
    ParameterFile file;
    ReadResult result = readParameterRecords(source, makeRunConstants().pi, &file.records);
    if (auto* failure = std::get_if<ReadFailure>(&result)) return std::move(*failure);
    const auto& set = std::get<ParameterSet>(result);
    file.design = designOf(set);
    file.headerValue = set.headerValue;
    return file;
}

Result<Design, ReadFailure> readDesign(ByteSource& source) {
    const ExactEnvironment exact;
    ReadResult result = readParameterRecords(source, makeRunConstants().pi);
    if (auto* failure = std::get_if<ReadFailure>(&result)) return std::move(*failure);
    return designOf(std::get<ParameterSet>(result));
}

Result<ParameterFile, ReadFailure> readParameterText(std::string_view bytes) {
    const ExactEnvironment exact;
    MemoryInput input(bytes);
    return readParameterStream(input);
}

Result<ParameterFile, ReadFailure> readParameterFile(const std::filesystem::path& path) {
    const ExactEnvironment exact;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return cannotOpen(path, errno);
    DescriptorInput input(fd);
    struct stat status {};
    if (::fstat(fd, &status) != 0) return cannotOpen(path, errno);
    if (S_ISDIR(status.st_mode)) return cannotOpen(path, EISDIR);
    return readParameterStream(input);
}

Result<std::string, Error> writeParameterText(const Design& d) {
    const ExactEnvironment exact;
    if (std::any_of(kDesignFields.begin(), kDesignFields.end(),
                    [&d](const DesignField& field) { return std::isnan(d.*field.member); })) {
        return Error::valueNotANumber;
    }
    std::string text;
    for (const RecordSpec& spec : kParameterRecords) {
        if (const DesignField* field = designFieldOfRecord(spec.number)) {
            text += numberLine(d.*field->member, spec);
        } else {
            text += codeLine(d, spec);
        }
    }
    return text;
}

}  // namespace opbaff
