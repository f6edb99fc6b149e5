#include "program_runner.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace opbaff::testing {

namespace fs = std::filesystem;

TemporaryDirectory::TemporaryDirectory() {
    std::string pattern = (fs::temp_directory_path() / "opbaff-run-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

void makeEntry(const fs::path& directory, const Entry& entry) {
    const fs::path path = directory / entry.name;
    switch (entry.kind) {
        case Entry::Kind::absent:
            return;
        case Entry::Kind::file:
            std::ofstream(path, std::ios::binary) << entry.content;
            break;
        case Entry::Kind::directory:
            fs::create_directory(path);
            break;
        case Entry::Kind::symlink:
            fs::create_symlink(entry.content, path);
            return;
    }
    fs::permissions(path, static_cast<fs::perms>(entry.mode));
}

std::string readFile(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

std::string describe(const fs::path& path) {
    const fs::file_status status = fs::symlink_status(path);
    if (!fs::exists(status)) return "absent";
    if (fs::is_symlink(status)) return "symlink to " + fs::read_symlink(path).string();
    if (fs::is_directory(status)) return "directory";
    const std::string content = readFile(path);
    return "file of " + std::to_string(content.size()) + " bytes:\n" + content;
}

std::string describe(const Entry& entry) {
    switch (entry.kind) {
        case Entry::Kind::absent:
            return "absent";
        case Entry::Kind::directory:
            return "directory";
        case Entry::Kind::symlink:
            return "symlink to " + entry.content;
        case Entry::Kind::file:
            break;
    }
    return "file of " + std::to_string(entry.content.size()) + " bytes:\n" + entry.content;
}

namespace {

std::string drain(int descriptor) {
    std::string text;
    std::array<char, 4096> buffer{};
    ssize_t count = 0;
    while ((count = read(descriptor, buffer.data(), buffer.size())) > 0) {
        text.append(buffer.data(), static_cast<std::size_t>(count));
    }
    close(descriptor);
    return text;
}

// The program as an unprivileged user may run it: the build tree may lie
// below a folder that only root may enter, so a copy is made once in a folder
// everybody may enter.
const char* programFor(const RunOptions& options) {
    if (!options.unprivileged) return OPBAFF_EXE;
    static const TemporaryDirectory folder;
    static const std::string copy = [] {
        const fs::path target = folder.path() / "opbaff";
        fs::copy_file(OPBAFF_EXE, target);
        fs::permissions(folder.path(), fs::perms(0755));
        fs::permissions(target, fs::perms(0755));
        return target.string();
    }();
    return copy.c_str();
}

// In the child, between fork and exec: only plain system calls.
[[noreturn]] void becomeProgram(const char* program, const fs::path& directory,
                                const RunOptions& options, const passwd* nobody, int output,
                                int error, char* const* environment) {
    dup2(output, STDOUT_FILENO);
    dup2(error, STDERR_FILENO);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    if (options.ignoreInterrupt) std::signal(SIGINT, SIG_IGN);
    if (chdir(directory.c_str()) != 0) _exit(126);
    if (options.unprivileged) {
        if (nobody == nullptr || setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 ||
            setuid(nobody->pw_uid) != 0) {
            _exit(126);
        }
    }
    std::array<char*, 2> arguments{const_cast<char*>(program), nullptr};
    execve(program, arguments.data(), environment);
    _exit(127);
}

}  // namespace

RunOutcome runProgram(const fs::path& directory, const RunOptions& options) {
    std::array<int, 2> output{};
    std::array<int, 2> error{};
    if (pipe2(output.data(), O_CLOEXEC) != 0 || pipe2(error.data(), O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::vector<std::string> variables = options.environment;
    // The program reads no environment, but a sanitizer build's run-time does.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name))
            variables.push_back(std::string(name) + "=" + value);
    }
    std::vector<char*> environment(variables.size() + 1, nullptr);
    std::transform(variables.begin(), variables.end(), environment.begin(),
                   [](std::string& variable) { return variable.data(); });
    const passwd* nobody = options.unprivileged ? getpwnam("nobody") : nullptr;
    const char* program = programFor(options);

    const pid_t child = fork();
    if (child == 0)
        becomeProgram(program, directory, options, nobody, output[1], error[1], environment.data());
    close(output[1]);
    close(error[1]);
    RunOutcome outcome;
    outcome.standardOutput = drain(output[0]);
    outcome.standardError = drain(error[0]);
    int status = 0;
    waitpid(child, &status, 0);
    outcome.exited = WIFEXITED(status);
    outcome.status = outcome.exited ? WEXITSTATUS(status) : -1;
    outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return outcome;
}

}  // namespace opbaff::testing
