// A stop signal (SIGINT, SIGTERM, SIGHUP) at any step of an output set, from
// the first file made in the folder to the last backup removed, and while
// gnuplot draws: the real opbaff-design ends by that signal, and the folder
// holds, byte for byte, either the older set or the whole new one, with no
// temporary or backup file left.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "program_search.h"
#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

using test::TempDir;
using Files = std::map<std::string, std::string>;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// A polar set over the older set of another design: three files replaced,
// one added, one file of the folder untouched.
class InterruptTest : public testing::Test {
  protected:
    void SetUp() override {
        const auto gnuplot = findProgram("gnuplot", "/usr/bin:/bin");
        if (!gnuplot) GTEST_SKIP() << "gnuplot is not installed";
        gnuplot_ = *gnuplot;
        test::writeFile(work_.path() / "new.txt", test::readFile(test::referenceFile(
                                                      "rectangular-off-centre", "Opbaffin.txt")));
        test::writeFile(work_.path() / "old.txt",
                        test::readFile(test::referenceFile("rectangular-centred", "Opbaffin.txt")));
        const std::filesystem::path old = folder("old");
        ASSERT_EQ(polar(old, "old.txt", "-10:10:10", {}).exitStatus, 0);
        test::writeFile(old / "notes.txt", "not part of any set\n");
        older_ = test::snapshot(old);
        const std::filesystem::path whole = folderWithOlderSet("whole");
        ASSERT_EQ(polar(whole, "new.txt", "-10:20:10", {}).exitStatus, 0);
        newer_ = test::snapshot(whole);
        ASSERT_EQ(newer_.size(), older_.size() + 1);
    }

    std::filesystem::path folder(const std::string& name) const {
        std::filesystem::path dir = work_.path() / name;
        std::filesystem::create_directories(dir);
        return dir;
    }

    std::filesystem::path folderWithOlderSet(const std::string& name) const {
        std::filesystem::path dir = folder(name);
        for (const auto& [file, content] : older_) test::writeFile(dir / file, content);
        return dir;
    }

    test::ProcessRun polar(const std::filesystem::path& out, const std::string& file,
                           const std::string& angles, std::vector<std::string> environment,
                           const std::string& path = "/usr/bin:/bin") const {
        environment.push_back("PATH=" + path);
        return test::runProcess(
            {OPBAFF_DESIGN_EXE, "polar", "--angles", angles, "--output-dir", out.string(), file},
            work_.path(), environment);
    }

    // The new set, over the older one, with the faults' environment.
    test::ProcessRun interruptedRun(const std::filesystem::path& out,
                                    std::vector<std::string> environment,
                                    const std::string& path = "/usr/bin:/bin") const {
        environment.push_back("LD_PRELOAD=" OPBAFF_FAULT_LIB);
        environment.push_back("OPBAFF_FAULT_DIR=" + out.string());
        return polar(out, "new.txt", "-10:20:10", environment, path);
    }

    TempDir work_;
    std::string gnuplot_;
    Files older_;
    Files newer_;
};

TEST_F(InterruptTest, AtEveryFolderOperationTheOlderSetOrTheWholeNewOne) {
    const std::filesystem::path counted = folderWithOlderSet("counted");
    const test::ProcessRun count = interruptedRun(counted, {"OPBAFF_FAULT=count-in-folder"});
    ASSERT_EQ(count.exitStatus, 0) << count.err;
    const std::size_t at = count.err.rfind("folder operations: ");
    ASSERT_NE(at, std::string::npos) << count.err;
    const long operations = std::stol(count.err.substr(at + 19));
    ASSERT_GT(operations, 20);
    EXPECT_EQ(test::snapshot(counted), newer_);

    int keptOlder = 0;
    int keptNewer = 0;
    for (long n = 1; n <= operations; ++n) {
        const int signal = kStopSignals[n % 3];
        SCOPED_TRACE("signal " + std::to_string(signal) + " after folder operation " +
                     std::to_string(n) + " of " + std::to_string(operations));
        const std::filesystem::path out = folderWithOlderSet("run" + std::to_string(n));
        const test::ProcessRun run = interruptedRun(
            out, {"OPBAFF_FAULT=signal-in-folder", "OPBAFF_FAULT_SIGNAL=" + std::to_string(signal),
                  "OPBAFF_FAULT_CALL=" + std::to_string(n)});
        EXPECT_EQ(run.signal, signal) << run.err;
        const Files after = test::snapshot(out);
        keptOlder += after == older_;
        keptNewer += after == newer_;
        EXPECT_TRUE(after == older_ || after == newer_) << testing::PrintToString(after);
        std::filesystem::remove_all(out);
    }
    // Both ends are reached: the renames are among the operations interrupted.
    EXPECT_GT(keptOlder, 0);
    EXPECT_GT(keptNewer, 0);
}

struct DrawingCase {
    const char* name;
    int picture;  // which gnuplot run of the set (from 0)
    bool afterDrawing;
    int signal;
};

// gnuplot sends the signal to opbaff-design as it starts, or once it has drawn.
TEST_F(InterruptTest, WhileGnuplotDrawsTheOlderSetStays) {
    const DrawingCase cases[] = {
        {"first_picture_sigint", 0, false, SIGINT},
        {"first_picture_drawn_sigterm", 0, true, SIGTERM},
        {"second_picture_sighup", 1, false, SIGHUP},
        {"second_picture_drawn_sigint", 1, true, SIGINT},
    };
    for (const DrawingCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path bin = folder(std::string("bin-") + c.name);
        const std::string counter = (bin / "runs").string();
        const std::string signal = "kill -" + std::to_string(c.signal) + " $PPID\n";
        std::ostringstream body;
        body << "n=$(cat '" << counter << "' 2>/dev/null || echo 0)\n"
             << "echo $((n + 1)) > '" << counter << "'\n"
             << "if [ $n -ne " << c.picture << " ]; then exec '" << gnuplot_ << "'; fi\n";
        if (c.afterDrawing) {
            body << "'" << gnuplot_ << "'\n" << signal << "sleep 5\n";
        } else {
            body << signal << "exec '" << gnuplot_ << "'\n";
        }
        test::writeScript(bin / "gnuplot", body.str());
        const std::filesystem::path out = folderWithOlderSet(std::string("out-") + c.name);
        const test::ProcessRun run = interruptedRun(out, {}, bin.string());
        EXPECT_EQ(run.signal, c.signal) << run.err;
        EXPECT_EQ(test::snapshot(out), older_);
    }
}

}  // namespace
}  // namespace opbaff::tools
