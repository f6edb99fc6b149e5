#include "renderer_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

extern char** environ;  // NOLINT(readability-redundant-declaration): for posix_spawn

namespace opbaff::tools {
namespace {

constexpr std::size_t kErrorOutputLimit = std::size_t{64} * 1024;

class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(); }
    int get() const { return fd_; }
    bool open() const { return fd_ >= 0; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

  private:
    int fd_;
};

// 0, or the error number of the first write that failed.
int writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t count = ::write(fd, data.data(), data.size());
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return errno;
        if (count == 0) return EIO;
        data.remove_prefix(static_cast<std::size_t>(count));
    }
    return 0;
}

std::string waitReason(int status) {
    if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return "ended abnormally";
}

// The script in an anonymous file: the program reads it at its own pace, and
// nothing is left on disk whatever happens.
int scriptFile(std::string_view script) {
    const int fd = ::memfd_create("renderer-script", MFD_CLOEXEC);
    if (fd < 0) return -errno;
    const int error = writeAll(fd, script);
    if (error != 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
        const int reason = error != 0 ? error : errno;
        ::close(fd);
        return -reason;
    }
    return fd;
}

// The child starts with no signal blocked and the stop signals at their
// defaults, whatever this process holds.
int spawn(pid_t& child, const std::string& program, int input, int output, int errors) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errors, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::string argument0 = program;
    std::array<char*, 2> argv = {argument0.data(), nullptr};
    const int error =
        ::posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

// The running child, its two output pipes and its exit, watched together
// with the held signals.
class Watch {
  public:
    Watch(pid_t child, int output, int errors, int picture, HeldInterrupts& interrupts)
        : child_(child),
          output_(output),
          errors_(errors),
          exited_(static_cast<int>(::syscall(SYS_pidfd_open, child, 0))),
          picture_(picture),
          interrupts_(interrupts) {}

    RendererRun run() {
        RendererRun result;
        while (output_.open() || errors_.open() || !reaped_) {
            if ((result.interruptedBy = interrupts_.pending()) != 0) break;
            if (!exited_.open() && !output_.open() && !errors_.open()) {
                reap(0);  // no descriptor for its exit (an old kernel): wait for it here
                continue;
            }
            std::array<pollfd, 4> watched{};
            const nfds_t count = prepare(watched);
            if (::poll(watched.data(), count, -1) < 0 && errno != EINTR) break;
            if (!readable(watched, count, result)) break;
        }
        if (!reaped_) {
            ::kill(child_, SIGKILL);
            reap(0);
        }
        // A Ctrl-C reaches gnuplot too, which may end before the loop saw it.
        if (result.interruptedBy == 0) result.interruptedBy = interrupts_.pending();
        if (!(WIFEXITED(status_) && WEXITSTATUS(status_) == 0))
            result.failure = waitReason(status_);
        return result;
    }

  private:
    nfds_t prepare(std::array<pollfd, 4>& watched) const {
        nfds_t count = 0;
        for (const int fd : {output_.get(), errors_.get(), reaped_ ? -1 : exited_.get(),
                             interrupts_.descriptor()}) {
            if (fd >= 0) watched[count++] = {fd, POLLIN, 0};
        }
        return count;
    }

    // Takes in what the poll found; false when the run must stop.
    bool readable(const std::array<pollfd, 4>& watched, nfds_t count, RendererRun& result) {
        for (nfds_t k = 0; k < count; ++k) {
            if (watched[k].revents == 0) continue;
            const int fd = watched[k].fd;
            if (fd == output_.get() && !copyPicture(result)) return false;
            if (fd == errors_.get()) keepErrors(result);
            if (fd == exited_.get() && !reaped_) reap(WNOHANG);
        }
        return true;
    }

    bool copyPicture(RendererRun& result) {
        std::array<char, 65536> buffer{};
        const ssize_t count = ::read(output_.get(), buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) return true;
        if (count <= 0) {
            output_.reset();
            return true;
        }
        result.writeError = writeAll(picture_, {buffer.data(), static_cast<std::size_t>(count)});
        return result.writeError == 0;
    }

    void keepErrors(RendererRun& result) {
        std::array<char, 4096> buffer{};
        const ssize_t count = ::read(errors_.get(), buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) return;
        if (count <= 0) {
            errors_.reset();
            return;
        }
        const std::size_t room = kErrorOutputLimit - result.errorOutput.size();
        result.errorOutput.append(buffer.data(), std::min(room, static_cast<std::size_t>(count)));
    }

    void reap(int options) {
        const pid_t done = ::waitpid(child_, &status_, options);
        if (done == child_ || (done < 0 && errno != EINTR)) reaped_ = true;
    }

    pid_t child_;
    Descriptor output_;
    Descriptor errors_;
    Descriptor exited_;
    int picture_;
    HeldInterrupts& interrupts_;
    bool reaped_ = false;
    int status_ = 0;
};

}  // namespace

RendererRun runRenderer(const std::string& program, std::string_view script, int picture,
                        HeldInterrupts& interrupts) {
    RendererRun result;
    const int scriptFd = scriptFile(script);
    if (scriptFd < 0) {
        result.failure = std::strerror(-scriptFd);
        return result;
    }
    const Descriptor input(scriptFd);
    std::array<int, 2> output{};
    std::array<int, 2> errors{};
    if (::pipe2(output.data(), O_CLOEXEC) != 0) {
        result.failure = std::strerror(errno);
        return result;
    }
    Descriptor outputRead(output[0]);
    Descriptor outputWrite(output[1]);
    if (::pipe2(errors.data(), O_CLOEXEC) != 0) {
        result.failure = std::strerror(errno);
        return result;
    }
    Descriptor errorsRead(errors[0]);
    Descriptor errorsWrite(errors[1]);
    pid_t child = 0;
    if (const int error = spawn(child, program, input.get(), output[1], errors[1])) {
        result.failure = std::strerror(error);
        return result;
    }
    outputWrite.reset();
    errorsWrite.reset();
    Watch watch(child, outputRead.get(), errorsRead.get(), picture, interrupts);
    // The watch owns the read ends from here.
    static_cast<void>(outputRead.release());
    static_cast<void>(errorsRead.release());
    return watch.run();
}

}  // namespace opbaff::tools
