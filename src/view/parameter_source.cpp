#include "view/parameter_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "run/byte_input.h"
#include "run/parameter_reader.h"

namespace opbaff::view {
namespace {

ParameterProblem systemProblem(const std::string& path, int error) {
    return {path + ": " + std::strerror(error)};
}

// Reads up to limit + 1 bytes, so that a file over the limit shows itself.
int readAtMost(int fd, std::size_t limit, std::string& text) {
    char buffer[8192];
    while (text.size() <= limit) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count == 0) return 0;
        if (count < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        text.append(buffer, static_cast<std::size_t>(count));
    }
    return EFBIG;
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

FileText readParameterText(const std::string& path, std::size_t limit) {
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) return systemProblem(path, errno);
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) return systemProblem(path, errno);
    if (S_ISDIR(status.st_mode)) return systemProblem(path, EISDIR);
    std::string text;
    const int error = readAtMost(file.get(), limit, text);
    if (error != 0) return systemProblem(path, error);
    return text;
}

LoadedParameters loadParameters(const std::string& path, Real pi) {
    FileText text = readParameterText(path);
    if (auto* problem = std::get_if<ParameterProblem>(&text)) return *problem;
    MemoryInput input(std::get<std::string>(text));
    ReadResult result = readParameterFile(input, pi);
    if (auto* failure = std::get_if<ReadFailure>(&result)) {
        const std::string reason = failure->endOfFile ? "end of file" : failure->reason;
        return ParameterProblem{path + ": " + failure->place + ": " + reason};
    }
    return std::get<ParameterSet>(result);
}

}  // namespace opbaff::view
