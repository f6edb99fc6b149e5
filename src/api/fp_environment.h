// The floating-point environment every level is computed in, whatever the
// caller's program set: round to nearest, and subnormal numbers kept as they
// are (neither flushed to zero when produced nor read as zero when used).
#pragma once

#include <fenv.h>

namespace opbaff {

// Sets the library's environment if the caller's differs from it, and gives the
// caller's back at the end of the scope (exception flags raised in between
// included: they are the library's, not the caller's). Each public call that
// computes or converts a number holds one; in the default environment it costs
// two reads of the control registers.
class ExactEnvironment {
  public:
    ExactEnvironment();
    ~ExactEnvironment();
    ExactEnvironment(const ExactEnvironment&) = delete;
    ExactEnvironment& operator=(const ExactEnvironment&) = delete;

  private:
    bool changed_ = false;
    fenv_t saved_{};
#if defined(__SSE__)
    unsigned int savedControl_ = 0;
#endif
};

}  // namespace opbaff
