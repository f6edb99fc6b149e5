// Output sets are all or nothing: whichever file operation fails, at whichever
// file of the set, the folder is left exactly as it was, and no temporary file
// remains.
#include "output_set.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

enum class Op { createNew, writeWhole, sync, link, rename };

const char* opName(Op op) {
    switch (op) {
        case Op::createNew:
            return "create";
        case Op::writeWhole:
            return "write";
        case Op::sync:
            return "sync";
        case Op::link:
            return "link";
        case Op::rename:
            break;
    }
    return "rename";
}

// The system's operations, but the n-th call of one kind (from 0) fails with
// EIO, and so do the calls listed in `alsoFailing` (for failures while undoing).
class FailingOps final : public FileOps {
  public:
    FailingOps(Op op, int failAt) : op_(op), failAt_(failAt) {}
    int calls(Op op) const { return count_.contains(op) ? count_.at(op) : 0; }
    int alsoFailRenameAt = -1;

    int createNew(const std::string& path) override {
        return fails(Op::createNew) ? EIO : FileOps::createNew(path);
    }
    int writeWhole(const std::string& path, std::string_view content) override {
        return fails(Op::writeWhole) ? EIO : FileOps::writeWhole(path, content);
    }
    int sync(const std::string& path) override {
        return fails(Op::sync) ? EIO : FileOps::sync(path);
    }
    int link(const std::string& existing, const std::string& newPath) override {
        return fails(Op::link) ? EIO : FileOps::link(existing, newPath);
    }
    int rename(const std::string& from, const std::string& to) override {
        const int n = calls(Op::rename);
        return fails(Op::rename) || n == alsoFailRenameAt ? EIO : FileOps::rename(from, to);
    }

  private:
    bool fails(Op op) { return count_[op]++ == failAt_ && op == op_; }
    Op op_;
    int failAt_;
    std::map<Op, int> count_;
};

std::map<std::string, std::string> snapshot(const test::TempDir& dir) {
    return test::snapshot(dir.path());
}

// Two files that replace older ones, one new file, and a picture another
// program draws into its reserved temporary file.
std::optional<std::string> writeSet(const test::TempDir& dir, FileOps& ops) {
    OutputSet set(dir.path().string(), ops);
    for (const char* name : {"a.frd", "b.frd", "c.frd"}) {
        if (auto problem = set.add(name, std::string("new ") + name)) return problem;
    }
    std::string picture;
    if (auto problem = set.reserve("plot.svg", picture)) return problem;
    test::writeFile(picture, "<svg/>");
    return set.commit();
}

const std::map<std::string, std::string> kBefore = {{"a.frd", "old a"}, {"plot.svg", "old plot"}};

struct FaultCase {
    Op op;
    int failAt;
};

void PrintTo(const FaultCase& c, std::ostream* out) {
    *out << opName(c.op) << " " << c.failAt;
}

class OutputSetFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(OutputSetFaultTest, AFailureLeavesTheFolderAsItWas) {
    const test::TempDir dir;
    for (const auto& [name, content] : kBefore) test::writeFile(dir.path() / name, content);
    FailingOps ops(GetParam().op, GetParam().failAt);
    const auto problem = writeSet(dir, ops);
    ASSERT_TRUE(problem.has_value());
    EXPECT_NE(problem->find("Input/output error"), std::string::npos) << *problem;
    EXPECT_EQ(snapshot(dir), kBefore);
}

// Every call of every kind that a whole run makes: creating the four
// temporary files, writing the three the set writes itself, making the four
// durable and then the folder, backing up the two older files, and the four
// renames into place.
std::vector<FaultCase> everyFault() {
    std::vector<FaultCase> cases;
    for (int n = 0; n < 4; ++n) cases.push_back({Op::createNew, n});
    for (int n = 0; n < 3; ++n) cases.push_back({Op::writeWhole, n});
    for (int n = 0; n < 5; ++n) cases.push_back({Op::sync, n});
    for (int n = 0; n < 2; ++n) cases.push_back({Op::link, n});
    for (int n = 0; n < 4; ++n) cases.push_back({Op::rename, n});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryFile, OutputSetFaultTest, testing::ValuesIn(everyFault()),
                         [](const testing::TestParamInfo<FaultCase>& info) {
                             return std::string(opName(info.param.op)) + "_" +
                                    std::to_string(info.param.failAt);
                         });

TEST(OutputSetTest, ASuccessfulRunCountsTheCallsTheFaultTableCovers) {
    const test::TempDir dir;
    for (const auto& [name, content] : kBefore) test::writeFile(dir.path() / name, content);
    FailingOps ops(Op::createNew, -1);
    ASSERT_EQ(writeSet(dir, ops), std::nullopt);
    EXPECT_EQ(ops.calls(Op::createNew), 4);
    EXPECT_EQ(ops.calls(Op::writeWhole), 3);
    EXPECT_EQ(ops.calls(Op::sync), 5);
    EXPECT_EQ(ops.calls(Op::link), 2);
    EXPECT_EQ(ops.calls(Op::rename), 4);
    EXPECT_EQ(snapshot(dir), (std::map<std::string, std::string>{{"a.frd", "new a.frd"},
                                                                 {"b.frd", "new b.frd"},
                                                                 {"c.frd", "new c.frd"},
                                                                 {"plot.svg", "<svg/>"}}));
}

// Should putting an older file back fail too, its contents are kept under the
// backup's name, and the message says where.
TEST(OutputSetTest, OlderContentsAreNeverLost) {
    const test::TempDir dir;
    test::writeFile(dir.path() / "a.frd", "old a");
    FailingOps ops(Op::rename, 1);  // b.frd's rename into place
    ops.alsoFailRenameAt = 2;       // the rename that would put a.frd back
    const auto problem = writeSet(dir, ops);
    ASSERT_TRUE(problem.has_value());
    const std::size_t kept = problem->find("the older ");
    ASSERT_NE(kept, std::string::npos) << *problem;
    const std::string backup = problem->substr(problem->rfind(' ') + 1);
    EXPECT_EQ(test::readFile(backup), "old a");
    EXPECT_EQ(test::entriesOf(dir.path()),
              (std::set<std::string>{"a.frd", std::filesystem::path(backup).filename()}));
}

// The folders a set makes for itself go again when it fails.
TEST(OutputSetTest, FoldersMadeForAFailedSetAreRemoved) {
    const test::TempDir top;
    const test::TempDir dir;
    FailingOps ops(Op::rename, 2);
    {
        OutputSet set((top.path() / "a" / "b").string(), ops);
        ASSERT_EQ(set.add("one.frd", "1"), std::nullopt);
        ASSERT_TRUE(std::filesystem::is_directory(top.path() / "a" / "b"));
        ASSERT_EQ(set.add("two.frd", "2"), std::nullopt);
        ASSERT_EQ(set.add("three.frd", "3"), std::nullopt);
        EXPECT_TRUE(set.commit().has_value());
    }
    EXPECT_TRUE(test::entriesOf(top.path()).empty());
}

}  // namespace
}  // namespace opbaff::tools
