// The reader against its byte source: read errors, and lines far longer than
// any buffer, which must be streamed through rather than held.
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <string>

#include "reader_test_support.h"

namespace opbaff::readertest {
namespace {

// Hands out `bytes`, then fails with `error` instead of reporting the end.
class FailingInput final : public ByteSource {
  public:
    FailingInput(std::string bytes, int error) : bytes_(std::move(bytes)), error_(error) {}
    long readSome(char* buffer, std::size_t capacity) override {
        const std::size_t count = std::min(capacity, bytes_.size() - offset_);
        if (count == 0) {
            errno = error_;
            return -1;
        }
        std::copy_n(bytes_.data() + offset_, count, buffer);
        offset_ += count;
        return static_cast<long>(count);
    }

  private:
    std::string bytes_;
    std::size_t offset_ = 0;
    int error_;
};

struct ErrorCase {
    const char* name;
    std::string before;  // what is read before the error
    std::string report;
};

const ErrorCase kErrors[] = {
    {"at the start", "", "list in: " + std::string(std::strerror(EIO))},
    {"inside a record", "1\nr\n100\n6", "list in: " + std::string(std::strerror(EIO))},
    {"inside a delimited code", "1\n'r", "list in: " + std::string(std::strerror(EIO))},
    {"after fourteen lines", firstRecords(14, true), "list in: " + std::string(std::strerror(EIO))},
    {"while ending the last value", firstRecords(15, false),
     "list in: " + std::string(std::strerror(EIO))},
    {"after the last value's line", firstRecords(15, true), describe(readText(plainFile()))},
};

TEST(ParameterReaderStream, ReadErrorsAreReportedWithTheSystemText) {
    for (const auto& c : kErrors) {
        SCOPED_TRACE(c.name);
        FailingInput input(c.before, EIO);
        EXPECT_EQ(describe(readParameterRecords(input, runPi())), c.report);
    }
}

TEST(ParameterReaderStream, AReadErrorIsNotTakenForTheEndOfFile) {
    FailingInput input(firstRecords(3, true), EACCES);
    const auto failure = std::get<ReadFailure>(readParameterRecords(input, runPi()));
    EXPECT_EQ(failure.place, "list in");
    EXPECT_FALSE(failure.endOfFile);
    EXPECT_EQ(failure.reason, std::strerror(EACCES));
}

// `head`, then `length` copies of `filler` made up on the fly, then `tail`.
class GeneratedInput final : public ByteSource {
  public:
    GeneratedInput(std::string head, char filler, std::size_t length, std::string tail)
        : head_(std::move(head)), filler_(filler), length_(length), tail_(std::move(tail)) {}
    long readSome(char* buffer, std::size_t capacity) override {
        std::size_t count = 0;
        if (offset_ < head_.size()) {
            count = std::min(capacity, head_.size() - offset_);
            std::copy_n(head_.data() + offset_, count, buffer);
        } else if (offset_ < head_.size() + length_) {
            count = std::min(capacity, head_.size() + length_ - offset_);
            std::fill_n(buffer, count, filler_);
        } else {
            const std::size_t at = offset_ - head_.size() - length_;
            count = std::min(capacity, tail_.size() - at);
            std::copy_n(tail_.data() + at, count, buffer);
        }
        offset_ += count;
        return static_cast<long>(count);
    }

  private:
    std::string head_;
    char filler_;
    std::size_t length_;
    std::string tail_;
    std::size_t offset_ = 0;
};

long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

constexpr std::size_t kHugeLine = (kSanitized ? 16U : 100U) << 20;
const std::string kRestAfter3 =
    "\n" + joinLines({"60", "30", "20", "20", "40", "0.7", "2", "x", "y", "40", "x", "30"});
const std::string kRestAfter12 = "\n40\nx\n30\n";

struct HugeLineCase {
    const char* name;
    std::string head;
    char filler;
    std::string tail;
    std::string expected;  // the same file written with a short line
};

const HugeLineCase kHugeLines[] = {
    {"a remark after a value", "1 ", 'x', "\n" + firstRecords(15, true).substr(2), plainFile()},
    {"blank lines before a value", "1\n", '\n', firstRecords(15, true).substr(2), plainFile()},
    {"blanks before a value", "1\n", ' ', firstRecords(15, true).substr(2), plainFile()},
    {"whole digits", firstRecords(2, true), '7', kRestAfter3, fileWith(3, "1e39")},
    {"leading zeros", firstRecords(2, true), '0', "25" + kRestAfter3, fileWith(3, "25")},
    {"leading fraction zeros", firstRecords(2, true) + "-0.", '0', "25" + kRestAfter3,
     fileWith(3, "0")},
    {"fraction digits", firstRecords(2, true) + "2.5", '9', kRestAfter3, fileWith(3, "2.6")},
    {"exponent zeros", firstRecords(2, true) + "2.5e", '0', "1" + kRestAfter3, fileWith(3, "25")},
    {"a repeat count", firstRecords(2, true) + "1", '0', "*5" + kRestAfter3, fileWith(3, "*5")},
    {"a bare code", firstRecords(11, true), 'y', kRestAfter12, fileWith(12, "yyy")},
    {"a delimited code", firstRecords(11, true) + "'", 'n', "'" + kRestAfter12,
     fileWith(12, "nnn")},
    {"a code's digits", firstRecords(11, true), '0', "*y" + kRestAfter12, fileWith(12, "000")},
    {"a code's repeat count", firstRecords(11, true) + "1", '0', "*y" + kRestAfter12,
     fileWith(12, "y")},
};

TEST(ParameterReaderStream, HugeLinesAreStreamedInLittleMemory) {
    for (const auto& c : kHugeLines) {
        SCOPED_TRACE(c.name);
        const long before = peakResidentKiB();
        const auto start = std::chrono::steady_clock::now();
        GeneratedInput input(c.head, c.filler, kHugeLine, c.tail);
        const ReadResult result = readParameterRecords(input, runPi());
        const auto seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
        EXPECT_EQ(describe(result), describe(readText(c.expected)));
        EXPECT_LT(peakResidentKiB() - before, 4096) << "kilobytes added to the peak";
        EXPECT_LT(seconds.count(), 5.0);
    }
}

}  // namespace
}  // namespace opbaff::readertest
