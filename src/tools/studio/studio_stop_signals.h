// How "serve" waits to stop: SIGINT or SIGTERM, a deadline, or the server
// ending by itself.
#pragma once

#include <signal.h>

#include <chrono>
#include <functional>
#include <optional>

namespace opbaff::tools {

// While it lives, SIGINT and SIGTERM are blocked in the thread that made it and
// in every thread that thread starts, so that they end no thread abruptly and
// wait() takes them instead.
class StopSignals {
  public:
    StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    ~StopSignals();  // the earlier mask again

    enum class Reason { signal, deadline, ended };

    // Waits until a signal arrives, `deadline` passes, or `ended()` is true
    // (asked every 100 ms at most).
    Reason wait(std::optional<std::chrono::steady_clock::time_point> deadline,
                const std::function<bool()>& ended) const;

  private:
    sigset_t stopSet_{};
    sigset_t previous_{};
};

}  // namespace opbaff::tools
