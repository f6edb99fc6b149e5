// The reader against the f2c run-time's own list-directed reader: the same
// files, read both ways, must give the same values and fail at the same place.
//
// The run-time reports a failure by printing it and aborting, so each of its
// reads runs in a child process that passes the values it got through a pipe;
// the first line of its standard error is the failure line. Files here use LF
// line ends only (the run-time takes a CR for data), and avoid the few forms in
// which this program deliberately reads differently: a lone sign or point
// before a comma or slash, a number without any mantissa digit, and q or Q as
// an exponent letter. A negative number too small for a Real is +0 here and -0
// there; zeros are compared by value.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "reader_test_support.h"

namespace opbaff::readertest {
namespace {

// The run-time's statement descriptors for a READ and an OPEN (no edit
// descriptors, no error branches). Their fields are read by the run-time only.
struct F2cCilist {
    std::int32_t cierr;
    std::int32_t ciunit;
    std::int32_t ciend;
    // cppcheck-suppress unusedStructMember
    char* cifmt;
    std::int32_t cirec;
};
struct F2cOlist {
    std::int32_t oerr;
    std::int32_t ounit;
    // cppcheck-suppress unusedStructMember
    char* ofnm;
    std::int32_t ofnmlen;
    // cppcheck-suppress unusedStructMember
    char* osta;
    // cppcheck-suppress unusedStructMember
    char* oacc;
    // cppcheck-suppress unusedStructMember
    char* ofm;
    std::int32_t orl;
    // cppcheck-suppress unusedStructMember
    char* oblnk;
};

}  // namespace

extern "C" {
void f_init();
std::int32_t f_open(F2cOlist* open);
std::int32_t s_rsle(F2cCilist* list);
std::int32_t do_lio(std::int32_t* type, std::int32_t* count, char* item, std::int32_t length);
std::int32_t e_rsle();
}

namespace {

// Record kinds in file order: true for a code.
constexpr std::array<bool, 15> kIsCode = {false, true,  false, false, false, false, false, false,
                                          false, false, true,  true,  false, true,  false};

// Each record as four bytes: a Real's bits, or a code and a pad byte.
using Record = std::array<char, 4>;

[[noreturn]] void readInChild(const std::string& path, int valuesFd) {
    f_init();
    std::string name = path;
    F2cOlist open{0,       9, name.data(), static_cast<std::int32_t>(name.size()), nullptr, nullptr,
                  nullptr, 0, nullptr};
    f_open(&open);
    for (const bool isCode : kIsCode) {
        F2cCilist list{0, 9, 0, nullptr, 0};
        Record record{' ', ' ', ' ', ' '};
        float real = 0.0F;
        std::int32_t type = isCode ? 9 : 4;
        std::int32_t count = 1;
        s_rsle(&list);
        do_lio(&type, &count, isCode ? record.data() : reinterpret_cast<char*>(&real),
               isCode ? 3 : 4);
        e_rsle();
        if (!isCode) std::memcpy(record.data(), &real, sizeof real);
        if (write(valuesFd, record.data(), record.size()) != 4) _exit(3);
    }
    _exit(0);
}

std::string drain(int fd) {
    std::string text;
    char buffer[4096];
    for (long n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    close(fd);
    return text;
}

// What the run-time's reader made of a file: the records it completed, and the
// first line of its report if it stopped.
struct Libf2cOutcome {
    std::vector<Record> records;
    std::string failure;
    bool completed = false;
};

Libf2cOutcome readWithLibf2c(const std::string& path) {
    int values[2];
    int errors[2];
    if (pipe(values) != 0 || pipe(errors) != 0) ADD_FAILURE() << "pipe";
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    if (child == 0) {
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        dup2(errors[1], 2);
        const int devNull = ::open("/dev/null", O_WRONLY);
        dup2(devNull, 1);
        close(values[0]);
        close(errors[0]);
        readInChild(path, values[1]);
    }
    close(values[1]);
    close(errors[1]);
    const std::string bytes = drain(values[0]);
    const std::string report = drain(errors[0]);
    int status = 0;
    waitpid(child, &status, 0);
    Libf2cOutcome outcome;
    for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4) {
        Record record;
        std::memcpy(record.data(), bytes.data() + at, 4);
        outcome.records.push_back(record);
    }
    outcome.failure = report.substr(0, report.find('\n'));
    outcome.completed = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return outcome;
}

// Our records in the same four-byte form.
std::vector<Record> recordsOf(const ParameterSet& s) {
    const Real reals[] = {
        s.headerValue,       s.baffleHeightCm,        s.baffleWidthCm,  s.driverXCm,
        s.driverYCm,         s.driverDiameterCm,      s.resonanceHz,    s.qualityFactor,
        s.listenerDistanceM, s.roundBaffleDiameterCm, s.offAxisAngleDeg};
    const Code codes[] = {s.modelCode, s.rearPhaseCode, s.pistonCode, s.rearLevelCode};
    std::vector<Record> records;
    std::size_t real = 0;
    std::size_t code = 0;
    for (const bool isCode : kIsCode) {
        Record record{' ', ' ', ' ', ' '};
        if (isCode) {
            std::copy(codes[code].begin(), codes[code].end(), record.begin());
            ++code;
        } else {
            const Real value = reals[real++] + 0.0F;  // -0 and +0 alike
            std::memcpy(record.data(), &value, sizeof value);
        }
        records.push_back(record);
    }
    return records;
}

Record normalised(const Record& record, bool isCode) {
    if (isCode) return record;
    float value = 0.0F;
    std::memcpy(&value, record.data(), sizeof value);
    value += 0.0F;
    Record out{};
    std::memcpy(out.data(), &value, sizeof value);
    return out;
}

class TempFile {
  public:
    TempFile() {
        char pattern[] = "/tmp/opbaff-reader-XXXXXX";
        const int fd = mkstemp(pattern);
        if (fd >= 0) close(fd);
        path_ = pattern;
    }
    ~TempFile() { unlink(path_.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& write(const std::string& text) {
        FILE* file = std::fopen(path_.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
        return path_;
    }

  private:
    std::string path_;
};

// Reads `text` both ways and compares; returns false on a difference.
bool readsAlike(TempFile& file, const std::string& text) {
    SCOPED_TRACE(::testing::Message() << "file: \"" << escaped(text) << "\"");
    const Libf2cOutcome theirs = readWithLibf2c(file.write(text));
    const ReadResult ours = readText(text);
    if (const auto* failure = std::get_if<ReadFailure>(&ours)) {
        EXPECT_FALSE(theirs.completed);
        EXPECT_EQ(failureLine(*failure), theirs.failure);
        return !theirs.completed && failureLine(*failure) == theirs.failure;
    }
    EXPECT_TRUE(theirs.completed) << theirs.failure;
    if (!theirs.completed) return false;
    const auto mine = recordsOf(std::get<ParameterSet>(ours));
    bool alike = true;
    for (std::size_t k = 0; k < kIsCode.size(); ++k) {
        const bool same = normalised(theirs.records.at(k), kIsCode[k]) == mine[k];
        EXPECT_TRUE(same) << "record " << k + 1;
        alike = alike && same;
    }
    return alike;
}

// Corners worth comparing one by one, as a Real (record 3, and record 15 at the
// end of the file) and as a code (record 12, and record 14 at the end).
const char* const kCorners[] = {
    "25",
    "25.",
    ".25E2",
    "2.5d1",
    "+2.5e+1",
    "2.5+1",
    "2.5-1",
    "1e39",
    "-1e39",
    "-0",
    "0e5",
    "1e-46",
    "3.4028235e38",
    "3.4028236e38",
    "1.4e-45",
    "7e-46",
    "150cm",
    "1,5",
    "1/5",
    "1 5",
    "25deg",
    "1e",
    "1e+",
    "1+",
    "1d-x",
    "1e99999999",
    "1e100000000",
    "1e-99999999",
    "1e-100000000",
    "1e0000000000099999999",
    "*5",
    "0*5",
    "-2*5",
    "+2*5",
    "2*5",
    "2*-5",
    "2* 5",
    "2*,",
    "2*/",
    "2*",
    "2*x",
    "2**5",
    "2*3*4",
    "-*5",
    "+*5",
    "abc",
    "#",
    "'y'",
    "\"y\"",
    "y",
    "yes",
    "Y",
    "rect",
    "''",
    "'it''s'",
    "'a\nb'",
    "'\nab'",
    "'a\\\nb'",
    "'a\\\n\nb'",
    "'abc\\\n'",
    "0*y",
    "00*y",
    "0*",
    "2*y",
    "2*'ab'",
    "2*\nabc",
    "2**",
    "12",
    "1234",
    "5'a'",
    ",",
    "/",
    "'y'z",
    "y'z'",
    "'unclosed",
    "\"unclosed\nline",
    "2*\"a\"\"\"",
    "1.00000005960464488641292746251565404236316680908203125",
    "1.000000059604644886412927462515654042363166809082031251",
    "123456789012345678901234567890123456789012345678901234567890",
    "0.000000000000000000000000000000000000000000000000000000000000123456789e60",
    "12345678901234567890123456789012345678901*5",
    "1234567890123456789012345678901234567890*5",
};

TEST(ParameterReaderLibf2c, CornersReadAlike) {
    TempFile file;
    const std::size_t stride = kSanitized ? 4 : 1;
    for (std::size_t k = 0; k < std::size(kCorners); k += stride) {
        const std::string text = kCorners[k];
        // As a Real and as a code, inside the file and at its very end.
        for (const std::string& input :
             {fileWith(3, text), fileWith(12, text), firstRecords(14, true) + text,
              firstRecords(13, true) + text}) {
            readsAlike(file, input);
        }
    }
    for (const std::string& input : {std::string(), std::string("\n \n"), firstRecords(14, true),
                                     firstRecords(14, false), firstRecords(15, false)}) {
        readsAlike(file, input);
    }
}

// A small random grammar of the forms of values, remarks and line layouts.
class FileGenerator {
  public:
    explicit FileGenerator(std::uint32_t seed) : random_(seed) {}

    // A file of fifteen records; in about half of the files some values may be
    // malformed, and one in five files is cut short.
    std::string file() {
        faults_ = below(2) == 0;
        std::string text;
        for (const bool isCode : kIsCode) {
            text += pick({"", "", "", "\n", " \n\t\n"}) + pick({"", "", " ", "\t", "  "});
            text += isCode ? code() : real();
            text += pick({"", "", "", " remark", ",", ", 7", "/", "\t9", " 'x", ",\"y"});
            text += "\n";
        }
        switch (below(10)) {
            case 0:
                return text.substr(0, below(text.size()));
            case 1:
                return text.substr(0, text.size() - 1);
            default:
                return text;
        }
    }

  private:
    std::size_t below(std::size_t n) { return n == 0 ? 0 : random_() % n; }
    std::string pick(std::initializer_list<const char*> choices) {
        return *(choices.begin() + below(choices.size()));
    }
    std::string digits(std::size_t count, const char* alphabet = "0123456789") {
        std::string out;
        const std::size_t size = std::strlen(alphabet);
        for (std::size_t k = 0; k < count; ++k) out += alphabet[below(size)];
        return out;
    }

    std::string mantissa() {
        std::string whole;
        switch (below(6)) {
            case 0:
                whole = digits(41 + below(10));
                break;
            case 1:
                whole = std::string(below(30), '0') + digits(1 + below(3));
                break;
            default:
                whole = digits(below(4));
                break;
        }
        std::string fraction = below(2) != 0 ? digits(below(4)) : "";
        if (below(6) == 0) fraction = std::string(below(45), '0') + digits(1 + below(3));
        if (whole.empty() && fraction.empty()) whole = digits(1);
        const bool point = below(2) != 0 || whole.empty();
        return whole + (point ? "." + fraction : "");
    }

    std::string exponent() {
        switch (below(faults_ ? 10 : 8)) {
            case 0:
                return pick({"E", "e", "D", "d"}) + pick({"", "+", "-"}) + digits(1 + below(2));
            case 1:
                return pick({"+", "-"}) + digits(1 + below(2));
            case 2:
                return pick({"e", "-", "E+", "d-"}) +
                       pick({"99999999", "000000000012", "38", "39", "45", "46"});
            case 8:
                return pick({"e", "E+", "d-", "+", "e", "D"});
            case 9:
                return pick({"e", "-", "E+"}) + pick({"100000000", "0123456789"});
            default:
                return "";
        }
    }

    std::string real() {
        switch (below(faults_ ? 16 : 12)) {
            case 0:
                return pick({",", "/"});
            case 1:
                return pick({"2*", "+3*", "10*", "0001*"}) +
                       pick({" ", ",", "/", "", "-1", "2.5e1", ".5"});
            case 12:
                return pick({"abc", "#", "'5'", "*5", "x", "deg"});
            case 13:
                return pick({"0*", "-2*", "", "00*", "-*"}) + pick({"5", ",", ""});
            case 14:
                return pick({"2*"}) + pick({"x", "*", "e5"});
            default:
                return pick({"", "", "", "-", "+"}) + mantissa() + exponent() +
                       pick({"", "", "cm", "x", ".", "*3", "'", faults_ ? "deg" : "m"});
        }
    }

    std::string codeText(const char* alphabet) { return digits(below(6), alphabet); }

    std::string code() {
        const char* alphabet = "ynrdRYU01*.\\#";
        switch (below(8)) {
            case 0:
            case 1: {
                const char* quote = below(2) != 0 ? "'" : "\"";
                std::string inside = codeText("ynr d'\"\\\n,/*");
                std::string escapedInside;
                for (const char c : inside) {
                    escapedInside += c;
                    if (c == *quote) escapedInside += c;
                }
                return quote + escapedInside + (faults_ && below(8) == 0 ? "" : quote);
            }
            case 2:
                return pick({"2*", "0*", "00*", "1*", "12*"}) +
                       pick({"y", "'a''b'", "", " ", ",", "\n", "\"q\"", "0*"});
            case 3:
                return pick({",", "/", "yes", "rect", "Y"});
            default:
                return std::string(1, "ynrdRY0123"[below(10)]) + codeText(alphabet);
        }
    }

    std::mt19937 random_;
    bool faults_ = false;
};

TEST(ParameterReaderLibf2c, GeneratedFilesReadAlike) {
    TempFile file;
    FileGenerator generator(20240611);
    int differences = 0;
    for (int k = 0; k < (kSanitized ? 40 : 300) && differences < 5; ++k) {
        if (!readsAlike(file, generator.file())) ++differences;
    }
}

}  // namespace
}  // namespace opbaff::readertest
