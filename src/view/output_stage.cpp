#include "view/output_stage.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace opbaff::view {
namespace {

std::string problem(const std::string& path, int error) {
    return path + ": " + std::strerror(error);
}

int writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t count = ::write(fd, content.data(), content.size());
        if (count < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        content.remove_prefix(static_cast<std::size_t>(count));
    }
    return 0;
}

int writeFile(const std::string& path, std::string_view content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return errno;
    const int writeError = writeAll(fd, content);
    const int closeError = ::close(fd) != 0 ? errno : 0;
    return writeError != 0 ? writeError : closeError;
}

}  // namespace

std::string pathIn(const std::string& dir, const std::string& name) {
    if (dir.empty() || dir == ".") return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

std::optional<std::string> createTemporaryBeside(const std::string& finalPath, int& error) {
    static unsigned counter = 0;
    const std::size_t slash = finalPath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = finalPath.substr(0, nameStart) + "." +
                                 finalPath.substr(nameStart) + ".tmp-" +
                                 std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        error = errno;
        if (error != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

OutputStage::~OutputStage() {
    for (const Staged& file : staged_) ::unlink(file.temporary.c_str());
}

std::optional<std::string> OutputStage::stage(const std::string& name, std::string_view content) {
    const std::string final = pathIn(dir_, name);
    int error = 0;
    const std::optional<std::string> temporary = createTemporaryBeside(final, error);
    if (!temporary) return problem(final, error);
    error = writeFile(*temporary, content);
    if (error != 0) {
        ::unlink(temporary->c_str());
        return problem(final, error);
    }
    staged_.push_back({*temporary, final});
    return std::nullopt;
}

std::optional<std::string> OutputStage::commit() {
    while (!staged_.empty()) {
        const Staged& file = staged_.front();
        if (std::rename(file.temporary.c_str(), file.final.c_str()) != 0) {
            return problem(file.final, errno);
        }
        staged_.erase(staged_.begin());
    }
    return std::nullopt;
}

}  // namespace opbaff::view
