// Running a drawing program such as gnuplot: its script on standard input,
// the picture it writes on standard output copied into a file descriptor, its
// error output kept, and a held interrupt stopping it at once. No shell is
// involved: the program is started from its path with no arguments.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "held_interrupts.h"

namespace opbaff::tools {

struct RendererRun {
    // Why the program did not finish well ("exit status 1", "killed by signal
    // 9", or the system's reason it could not start); nothing when it exited
    // with status 0.
    std::optional<std::string> failure;
    int writeError = 0;       // the error number of a failed write of the picture
    int interruptedBy = 0;    // a held signal that stopped the program
    std::string errorOutput;  // its standard error, the first 64 KiB
};

// Runs `program` with `script` as standard input and what it writes on
// standard output appended to `picture`. A write to `picture` that fails or a
// held signal kills the program (SIGKILL) and is reported; the program has
// ended when this returns.
RendererRun runRenderer(const std::string& program, std::string_view script, int picture,
                        HeldInterrupts& interrupts);

}  // namespace opbaff::tools
