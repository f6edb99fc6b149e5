// The end of every run: both files closed (the result file cut after its last
// complete row if a row write was started), once only, whatever ends the run.
#pragma once

namespace opbaff {

// Blocks every signal for the rest of the run, so that the end that has
// begun is the one that completes. Async-signal-safe.
void holdSignals();

// Closes the result file and the parameter file; a second call does
// nothing. Signals stay blocked from here on. Returns 0, or the errno of
// the first failure to cut or close the result file. Async-signal-safe.
int closeAllUnits();

// The abnormal end: both files closed, the default abort action restored,
// abort. Async-signal-safe.
[[noreturn]] void abortRun();

}  // namespace opbaff
