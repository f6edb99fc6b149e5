#include "studio_stop_signals.h"

#include <pthread.h>

#include <ctime>

namespace opbaff::tools {

StopSignals::StopSignals() {
    sigemptyset(&stopSet_);
    sigaddset(&stopSet_, SIGINT);
    sigaddset(&stopSet_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSet_, &previous_);
}

StopSignals::~StopSignals() {
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

StopSignals::Reason StopSignals::wait(std::optional<std::chrono::steady_clock::time_point> deadline,
                                      const std::function<bool()>& ended) const {
    using std::chrono::steady_clock;
    while (true) {
        if (ended()) return Reason::ended;
        auto slice = std::chrono::nanoseconds(std::chrono::milliseconds(100));
        if (deadline) {
            const auto left = *deadline - steady_clock::now();
            if (left <= steady_clock::duration::zero()) return Reason::deadline;
            if (left < slice) slice = std::chrono::duration_cast<std::chrono::nanoseconds>(left);
        }
        const timespec timeout{0, static_cast<long>(slice.count())};
        if (sigtimedwait(&stopSet_, nullptr, &timeout) > 0) return Reason::signal;
    }
}

}  // namespace opbaff::tools
