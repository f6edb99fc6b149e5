// A set written onto a disk that fills up: a small tmpfs, mounted in a mount
// namespace of its own (unshare), holding an older set and from no room at
// all to room enough for the new one. The folder holds either the older set
// byte for byte (and the command says why, exit status 1) or the whole new
// set (exit status 0); never a picture cut short. Where no tmpfs can be
// mounted the test is skipped, except in CI (CI set), where it must run.
#include <gtest/gtest.h>

#include <cstdlib>
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

constexpr std::size_t kPage = 4096;

std::size_t pagesOf(const Files& files) {
    std::size_t pages = 0;
    for (const auto& [name, content] : files) pages += (content.size() + kPage - 1) / kPage;
    return pages;
}

// Whether this process may make a mount namespace and mount a tmpfs in it.
bool canMountTmpfs(const TempDir& work) {
    const std::filesystem::path point = work.path() / "probe";
    std::filesystem::create_directories(point);
    const test::ProcessRun run =
        test::runProcess({"/usr/bin/unshare", "-rm", "/bin/sh", "-c",
                          "mount -t tmpfs -o size=8k tmpfs \"$0\"", point.string()},
                         work.path());
    return run.exitStatus == 0;
}

// A path of the test's own folders (no quote in them) as one shell word.
std::string shellWord(const std::filesystem::path& path) {
    std::string word(1, '\'');
    word.append(path.string()).push_back('\'');
    return word;
}

TEST(FullDiskTest, TheOlderSetOrTheWholeNewOneForEveryRoomLeft) {
    if (!findProgram("gnuplot", "/usr/bin:/bin")) GTEST_SKIP() << "gnuplot is not installed";
    const TempDir work;
    if (!std::filesystem::exists("/usr/bin/unshare") || !canMountTmpfs(work)) {
        if (std::getenv("CI") != nullptr) FAIL() << "CI must be able to mount a tmpfs";
        GTEST_SKIP() << "no tmpfs can be mounted here (unshare -rm and mount -t tmpfs failed)";
    }
    test::writeFile(work.path() / "new.txt",
                    test::readFile(test::referenceFile("rectangular-off-centre", "Opbaffin.txt")));
    test::writeFile(work.path() / "old.txt",
                    test::readFile(test::referenceFile("rectangular-centred", "Opbaffin.txt")));
    const std::filesystem::path old = work.path() / "old";
    const std::filesystem::path whole = work.path() / "whole";
    const std::string exe = OPBAFF_DESIGN_EXE;
    for (const auto& [dir, file] : {std::pair{old, "old.txt"}, std::pair{whole, "new.txt"}}) {
        std::filesystem::create_directories(dir);
        ASSERT_EQ(test::runProcess({exe, "plot", "--output-dir", dir.string(), file}, work.path(),
                                   {"PATH=/usr/bin:/bin"})
                      .exitStatus,
                  0);
    }
    const Files older = test::snapshot(old);
    const Files newer = test::snapshot(whole);
    ASSERT_NE(older, newer);

    // From a full disk to room for the new set and a page more, a page at a time.
    std::vector<std::size_t> sizes;
    for (std::size_t free = 0; free <= pagesOf(newer) + 1; ++free) {
        sizes.push_back((pagesOf(older) + free) * kPage / 1024);
    }
    std::ostringstream script;
    script << "set -u\n";
    for (const std::size_t kib : sizes) {
        const std::filesystem::path mount = work.path() / ("mount" + std::to_string(kib));
        const std::filesystem::path result = work.path() / ("result" + std::to_string(kib));
        std::filesystem::create_directories(mount);
        std::filesystem::create_directories(result);
        script << "mount -t tmpfs -o size=" << kib << "k tmpfs " << shellWord(mount)
               << " || exit 3\ncp -a " << shellWord(old) << "/. " << shellWord(mount) << "/\n"
               << "PATH=/usr/bin:/bin " << shellWord(exe) << " plot --output-dir "
               << shellWord(mount) << " new.txt >/dev/null 2>" << shellWord(result) << ".err\n"
               << "echo $? >" << shellWord(result) << ".status\n"
               << "cp -a " << shellWord(mount) << "/. " << shellWord(result) << "/\n"
               << "umount " << shellWord(mount) << "\n";
    }
    test::writeFile(work.path() / "fill.sh", script.str());
    const test::ProcessRun run = test::runProcess(
        {"/usr/bin/unshare", "-rm", "/bin/sh", (work.path() / "fill.sh").string()}, work.path());
    ASSERT_EQ(run.exitStatus, 0) << run.err;

    int keptOlder = 0;
    int pictureRefused = 0;
    for (const std::size_t kib : sizes) {
        SCOPED_TRACE(std::to_string(kib) + " KiB");
        const std::string result = (work.path() / ("result" + std::to_string(kib))).string();
        const std::string status = test::readFile(result + ".status");
        const std::string err = test::readFile(result + ".err");
        const Files after = test::snapshot(result);
        if (after == older) {
            ++keptOlder;
            EXPECT_EQ(status, "1\n") << err;
            EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
            pictureRefused += err.find("opbaff-response.svg not written") != std::string::npos;
        } else {
            EXPECT_EQ(after, newer) << err;
            EXPECT_EQ(status, "0\n") << err;
        }
    }
    EXPECT_EQ(test::snapshot(work.path() / ("result" + std::to_string(sizes.front()))), older);
    EXPECT_EQ(test::snapshot(work.path() / ("result" + std::to_string(sizes.back()))), newer);
    // Some sizes leave room for the FRD files but not for the picture.
    EXPECT_GT(pictureRefused, 0);
    EXPECT_GT(keptOlder, pictureRefused);
}

}  // namespace
}  // namespace opbaff::tools
