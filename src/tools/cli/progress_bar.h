// A progress bar for long batches on a terminal's standard error:
// "\r[#########           ] 1234/2000 variants", shown once the batch has run
// a second, redrawn at most ten times a second, and cleared at the end.
#pragma once

#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>

namespace opbaff::tools {

// The bar's text for `done` of `total` items, without the leading "\r".
std::string progressBarText(std::size_t done, std::size_t total);

class ProgressBar {
  public:
    using Clock = std::chrono::steady_clock;

    ProgressBar(std::ostream& out, std::size_t total, Clock::time_point start = Clock::now())
        : out_(out), total_(total), start_(start) {}
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;
    ~ProgressBar() { finish(); }

    // Draws `done` items of the total if a drawing is due at `now`.
    void update(std::size_t done, Clock::time_point now = Clock::now());

    // Clears the bar's line, if it was drawn.
    void finish();

  private:
    std::ostream& out_;
    std::size_t total_;
    Clock::time_point start_;
    Clock::time_point lastDrawn_{};
    std::size_t shownWidth_ = 0;  // characters on the line; 0: nothing shown
};

}  // namespace opbaff::tools
