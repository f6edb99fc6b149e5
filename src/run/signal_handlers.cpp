#include "run/signal_handlers.h"

#include <unistd.h>

#include <array>
#include <csignal>
#include <string_view>

#include "run/exit_processing.h"

namespace opbaff {

namespace {

struct SignalAnswer {
    int signal;
    std::string_view message;
    bool abnormal;  // abort, rather than exit status 1
};

constexpr std::array<SignalAnswer, 4> kAnswers{{
    {SIGFPE, "Floating Exception\n", true},
    {SIGABRT, "IOT Trap\n", true},
    {SIGINT, "Interrupt\n", false},
    {SIGTERM, "Killed\n", false},
}};

// Only async-signal-safe calls from here on.
extern "C" void answerSignal(int signal) {
    for (const SignalAnswer& answer : kAnswers) {
        if (answer.signal != signal) continue;
        const ssize_t written = write(STDERR_FILENO, answer.message.data(), answer.message.size());
        static_cast<void>(written);
        if (answer.abnormal) abortRun();
        closeAllUnits();
        _exit(1);
    }
}

bool isIgnored(int signal) {
    struct sigaction current {};
    return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

void installSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = answerSignal;
    sigemptyset(&action.sa_mask);
    for (const SignalAnswer& answer : kAnswers) sigaddset(&action.sa_mask, answer.signal);
    for (const SignalAnswer& answer : kAnswers) {
        if (answer.signal == SIGINT && isIgnored(SIGINT)) continue;
        sigaction(answer.signal, &action, nullptr);
    }
}

}  // namespace opbaff
