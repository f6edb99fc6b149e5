#include "progress_bar.h"

#include <algorithm>

namespace opbaff::tools {
namespace {

constexpr std::size_t kBarWidth = 20;
constexpr auto kDelay = std::chrono::seconds(1);  // quick batches show no bar
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

std::string progressBarText(std::size_t done, std::size_t total) {
    const std::size_t shown = std::min(done, total);
    const std::size_t filled = total == 0 ? kBarWidth : shown * kBarWidth / total;
    std::string text(1, '[');
    text.append(filled, '#').append(kBarWidth - filled, ' ').append("] ");
    return text + std::to_string(shown) + "/" + std::to_string(total) + " variants";
}

void ProgressBar::update(std::size_t done, Clock::time_point now) {
    if (now - start_ < kDelay) return;
    if (shownWidth_ > 0 && now - lastDrawn_ < kRedrawInterval) return;
    const std::string text = progressBarText(done, total_);
    out_ << '\r' << text << std::flush;
    shownWidth_ = text.size();
    lastDrawn_ = now;
}

void ProgressBar::finish() {
    if (shownWidth_ == 0) return;
    out_ << '\r' << std::string(shownWidth_, ' ') << '\r' << std::flush;
    shownWidth_ = 0;
}

}  // namespace opbaff::tools
