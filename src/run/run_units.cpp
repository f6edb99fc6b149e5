#include "run/run_units.h"

namespace opbaff {

namespace {

// Static storage, initialised before anything runs, so that signal handlers
// may reach the units at any time.
constinit Unit gResultUnit{7, "OPBAFF.bds"};       // NOLINT(*-avoid-non-const-global-variables)
constinit Unit gParameterUnit{9, "Opbaffin.txt"};  // NOLINT(*-avoid-non-const-global-variables)

}  // namespace

Unit& resultUnit() {
    return gResultUnit;
}
Unit& parameterUnit() {
    return gParameterUnit;
}

}  // namespace opbaff
