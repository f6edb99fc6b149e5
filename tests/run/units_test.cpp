// Opening, reading, writing and closing a unit on files of every kind.
#include "run/units.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "program_runner.h"
#include "run/unit_input.h"
#include "run_case.h"

namespace opbaff {
namespace {

using testing::describe;
using testing::Entry;
using testing::TemporaryDirectory;

// A unit on a file of the temporary directory.
struct TestUnit {
    TestUnit(const std::filesystem::path& directory, const std::string& name)
        : path((directory / name).string()) {
        unit.number = 7;
        unit.name = path.c_str();
    }
    ~TestUnit() { closeUnit(unit); }
    TestUnit(const TestUnit&) = delete;
    TestUnit& operator=(const TestUnit&) = delete;
    TestUnit(TestUnit&&) = delete;
    TestUnit& operator=(TestUnit&&) = delete;

    std::string path;
    Unit unit;
};

TEST(OpenUnit, KeepsWhatExistsCreatesWhatIsMissingRefusesDirectories) {
    struct OpenCase {
        const char* name;
        Entry before;
        int error;
        Access access;
        std::string after;
    };
    const std::vector<OpenCase> cases = {
        {"existing file", testing::file("f", "kept\n"), 0, Access::readWrite,
         "file of 5 bytes:\nkept\n"},
        {"missing file", testing::absent("f"), 0, Access::writeOnly, "file of 0 bytes:\n"},
        {"directory", testing::directory("f"), EISDIR, Access::none, "directory"},
        {"missing directory on the way", testing::absent("f"), ENOENT, Access::none, "absent"},
        {"character device", testing::symlink("f", "/dev/null"), 0, Access::readWrite,
         "symlink to /dev/null"},
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TemporaryDirectory directory;
        testing::makeEntry(directory.path(), c.before);
        const std::string name = c.error == ENOENT ? "missing/f" : "f";
        TestUnit test(directory.path(), name);
        EXPECT_EQ(openUnit(test.unit), c.error);
        EXPECT_EQ(test.unit.access, c.access);
        EXPECT_EQ(test.unit.descriptor >= 0, c.error == 0);
        EXPECT_EQ(closeUnit(test.unit), 0);
        EXPECT_EQ(describe(directory.path() / "f"), c.after);
    }
}

TEST(CloseUnit, CutsAWrittenRegularFileAfterItsLastRecordOnly) {
    struct CloseCase {
        const char* name;
        std::string older;
        int records;
        std::string after;
    };
    const std::string record = "record\r\n";
    const std::vector<CloseCase> cases = {
        {"nothing written: older file unchanged", "older contents\n", 0,
         "file of 15 bytes:\nolder contents\n"},
        {"longer older file cut", std::string(100, 'o'), 2,
         "file of 16 bytes:\n" + record + record},
        {"shorter older file extended", "oo", 3, "file of 24 bytes:\n" + record + record + record},
    };
    for (const CloseCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TemporaryDirectory directory;
        testing::makeEntry(directory.path(), testing::file("f", c.older));
        TestUnit test(directory.path(), "f");
        ASSERT_EQ(openUnit(test.unit), 0);
        for (int k = 0; k < c.records; ++k) {
            ASSERT_EQ(writeRecord(test.unit, record.data(), record.size()), 0);
        }
        EXPECT_EQ(closeUnit(test.unit), 0);
        EXPECT_EQ(closeUnit(test.unit), 0);  // a second close does nothing
        EXPECT_EQ(describe(directory.path() / "f"), c.after);
    }
}

TEST(WriteRecord, ReportsTheSystemErrorAndKeepsTheLastCompleteLength) {
    const TemporaryDirectory directory;
    testing::makeEntry(directory.path(), testing::symlink("f", "/dev/full"));
    TestUnit test(directory.path(), "f");
    ASSERT_EQ(openUnit(test.unit), 0);
    EXPECT_EQ(writeRecord(test.unit, "row\r\n", 5), ENOSPC);
    EXPECT_EQ(test.unit.writeStarted, 1);
    EXPECT_EQ(test.unit.writtenLength, 0);
    EXPECT_EQ(closeUnit(test.unit), 0);  // a device is never cut
}

TEST(UnitInput, ReopensAUnitThatOpeningCouldOnlyCreateWriteOnly) {
    const TemporaryDirectory directory;
    TestUnit test(directory.path(), "f");
    ASSERT_EQ(openUnit(test.unit), 0);
    ASSERT_EQ(test.unit.access, Access::writeOnly);
    testing::makeEntry(directory.path(), testing::file("f", "25\n"));

    UnitInput input(test.unit);
    std::array<char, 8> buffer{};
    EXPECT_EQ(input.readSome(buffer.data(), buffer.size()), 3);
    EXPECT_EQ(std::string(buffer.data(), 3), "25\n");
    EXPECT_EQ(input.readSome(buffer.data(), buffer.size()), 0);
    EXPECT_EQ(test.unit.access, Access::readWrite);
}

}  // namespace
}  // namespace opbaff
