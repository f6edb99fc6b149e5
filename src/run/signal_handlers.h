// The run's answers to signals: a one-line message on standard error, both
// files closed, and an abnormal end (floating-point and abort signals) or
// exit status 1 (interrupt and termination request).
#pragma once

namespace opbaff {

// Installs the handlers for SIGFPE, SIGABRT, SIGINT and SIGTERM. An
// interrupt that is being ignored when the run starts stays ignored.
void installSignalHandlers();

}  // namespace opbaff
