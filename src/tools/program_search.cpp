#include "tools/program_search.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace opbaff::tools {
namespace {

bool isExecutableFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string waitReason(int status) {
    if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return "ended abnormally";
}

}  // namespace

std::optional<std::string> findProgram(std::string_view name, std::string_view searchPath) {
    while (true) {
        const std::size_t colon = searchPath.find(':');
        const std::string_view dir = searchPath.substr(0, colon);
        const std::string candidate =
            dir.empty() ? std::string(name) : std::string(dir) + "/" + std::string(name);
        if (isExecutableFile(candidate)) return candidate;
        if (colon == std::string_view::npos) return std::nullopt;
        searchPath.remove_prefix(colon + 1);
    }
}

std::optional<std::string> runWithInput(const std::string& program, const std::string& inputPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, inputPath.c_str(), O_RDONLY, 0);
    std::string argument0 = program;
    char* argv[] = {argument0.data(), nullptr};
    pid_t child = 0;
    const int error = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return std::string(std::strerror(error));
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return std::string(std::strerror(errno));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return std::nullopt;
    return waitReason(status);
}

}  // namespace opbaff::tools
