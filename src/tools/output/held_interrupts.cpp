#include "held_interrupts.h"

#include <signal.h>
#include <string.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <array>
#include <cstdio>

namespace opbaff::tools {
namespace {

constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};

bool isIgnored(int signal) {
    struct sigaction current {};
    return ::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

HeldInterrupts::HeldInterrupts() {
    sigemptyset(&held_);
    for (const int signal : kStopSignals) {
        if (!isIgnored(signal)) sigaddset(&held_, signal);
    }
    ::pthread_sigmask(SIG_BLOCK, &held_, &previous_);
    // Readable while one of them is pending; never read, so that it stays
    // pending until the mask comes back.
    descriptor_ = ::signalfd(-1, &held_, SFD_CLOEXEC | SFD_NONBLOCK);
}

HeldInterrupts::~HeldInterrupts() {
    if (descriptor_ >= 0) ::close(descriptor_);
    // What the command has printed is out before the signal ends the process.
    if (pending() != 0) std::fflush(nullptr);
    ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

int HeldInterrupts::pending() {
    if (arrived_ != 0) return arrived_;
    sigset_t waiting;
    if (::sigpending(&waiting) != 0) return 0;
    for (const int signal : kStopSignals) {
        if (sigismember(&held_, signal) == 1 && sigismember(&waiting, signal) == 1) {
            arrived_ = signal;
            break;
        }
    }
    return arrived_;
}

std::string signalName(int signal) {
    const char* name = ::sigabbrev_np(signal);
    return name == nullptr ? "signal " + std::to_string(signal) : std::string("SIG") + name;
}

}  // namespace opbaff::tools
