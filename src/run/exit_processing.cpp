#include "run/exit_processing.h"

#include <csignal>
#include <cstdlib>

#include "run/run_units.h"

namespace opbaff {

void holdSignals() {
    sigset_t all;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, nullptr);
}

int closeAllUnits() {
    holdSignals();
    const int resultError = closeUnit(resultUnit());
    closeUnit(parameterUnit());
    return resultError;
}

void abortRun() {
    closeAllUnits();
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    sigaction(SIGABRT, &defaultAction, nullptr);
    std::abort();
}

}  // namespace opbaff
