#include "api/fp_environment.h"

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace opbaff {
namespace {

#if defined(__SSE__)
// The modes of the SSE control register that change results: flush-to-zero
// (bit 15) and denormals-are-zero (bit 6), which -ffast-math's start-up code
// sets, and the rounding direction (bits 13 and 14; 0 rounds to nearest).
constexpr unsigned int kFlushToZero = 1U << 15U;
constexpr unsigned int kDenormalsAreZero = 1U << 6U;
constexpr unsigned int kRounding = 3U << 13U;
constexpr unsigned int kResultModes = kFlushToZero | kDenormalsAreZero | kRounding;
#endif

}  // namespace

ExactEnvironment::ExactEnvironment() {
    changed_ = fegetround() != FE_TONEAREST;
#if defined(__SSE__)
    savedControl_ = _mm_getcsr();
    changed_ = changed_ || (savedControl_ & kResultModes) != 0;
#endif
    if (!changed_) return;
    fegetenv(&saved_);
#if defined(__SSE__)
    _mm_setcsr(savedControl_ & ~kResultModes);
#endif
    fesetround(FE_TONEAREST);
}

ExactEnvironment::~ExactEnvironment() {
    if (!changed_) return;
    fesetenv(&saved_);
#if defined(__SSE__)
    _mm_setcsr(savedControl_);
#endif
}

}  // namespace opbaff
