// Runs the built program in a directory of its own and describes the files it
// leaves there.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace opbaff::testing {

// A fresh directory under the system's temporary directory, removed with
// everything in it at the end of the test.
class TemporaryDirectory {
  public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// One entry of a directory, to be made before a run or expected after it.
struct Entry {
    enum class Kind { absent, file, directory, symlink };
    std::string name;
    Kind kind = Kind::file;
    std::string content;  // file contents, or the target of a symlink
    mode_t mode = 0644;
};

void makeEntry(const std::filesystem::path& directory, const Entry& entry);

// "absent", "directory", "symlink to <target>" or "file of N bytes" followed
// by the contents, so that a failed comparison shows what differs.
std::string describe(const std::filesystem::path& path);
std::string describe(const Entry& entry);

std::string readFile(const std::filesystem::path& path);

struct RunOptions {
    std::vector<std::string> environment;  // NAME=value
    bool unprivileged = false;             // run as nobody:nogroup
    bool ignoreInterrupt = false;          // start with SIGINT ignored
};

struct RunOutcome {
    bool exited = false;
    int status = -1;  // when exited
    int signal = 0;   // when killed by a signal
    std::string standardOutput;
    std::string standardError;
};

// Runs OPBAFF_EXE without arguments in the directory, without a core dump,
// with only the given environment and the sanitizer options of this process.
RunOutcome runProgram(const std::filesystem::path& directory, const RunOptions& options = {});

}  // namespace opbaff::testing
