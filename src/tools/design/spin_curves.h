// The spin of a design from its two polar sets: the orbits at 10 degree steps
// handed to the library's computeSpin, and its curves as a table of columns.
// It takes PolarSets alone, so that any source of two orbits can use it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "opbaff/result.h"
#include "opbaff/spin.h"
#include "polar.h"

namespace opbaff::tools {

// The angles each orbit needs: -170 to 180 degrees in steps of 10.
std::vector<float> spinAnglesDeg();

// `wanted` with every angle of spinAnglesDeg() it lacks added, ascending.
std::vector<float> withSpinAngles(const std::vector<float>& wanted);

// The set at `anglesDeg` only, in their order; each must be one of its angles.
PolarSet polarSubset(const PolarSet& set, const std::vector<float>& anglesDeg);

// The spin of the two orbits, or what the library refused, in words.
Result<Spin, std::string> spinOfSets(const PolarSet& horizontal, const PolarSet& vertical);

// The columns of the spin's table and plots, in their order.
struct SpinColumn {
    const char* name;   // the TSV column, "sound_power_dB"
    const char* label;  // for a plot's key, "sound power"
    std::vector<double> Spin::*curve;
    bool directivity;  // a directivity index, drawn apart from the levels
};
inline constexpr std::array<SpinColumn, 7> kSpinColumns{{
    {"on_axis_dB", "on axis", &Spin::onAxisDb, false},
    {"listening_window_dB", "listening window", &Spin::listeningWindowDb, false},
    {"early_reflections_dB", "early reflections", &Spin::earlyReflectionsDb, false},
    {"sound_power_dB", "sound power", &Spin::soundPowerDb, false},
    {"estimated_in_room_dB", "estimated in-room response", &Spin::estimatedInRoomDb, false},
    {"sound_power_di_dB", "sound power DI", &Spin::soundPowerDiDb, true},
    {"early_reflections_di_dB", "early reflections DI", &Spin::earlyReflectionsDiDb, true},
}};

// The spin as tab-separated text: `remarks` as "# " lines, a line naming the
// standard and what the curves are, the header frequency_Hz and the columns'
// names, then one row per frequency in "%.9g" (the on-axis level thus reads
// as in the 0 degree FRD file). A frequency with a level that is not finite is
// left out and counted in a remark.
std::string spinTsv(const Spin& spin, const std::vector<std::string>& remarks);

}  // namespace opbaff::tools
