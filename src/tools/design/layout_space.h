// The values a layout search may vary (a driver's x or y, the baffle's width
// or height), read from "NAME.x=LOW:HIGH", and what makes a layout feasible:
// every driver's piston on the baffle and the baffle within an area.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "opbaff/result.h"
#include "opbaff/speaker.h"

namespace opbaff::tools {

struct LayoutVariable {
    enum class Kind { driverX, driverY, baffleWidth, baffleHeight };
    Kind kind = Kind::driverX;
    std::size_t driver = 0;  // driverX and driverY
    double lowM = 0.0;
    double highM = 0.0;
    std::string name;  // "tweeter.x", "baffle.width"
};

// "tweeter.x=10:30", "woofer.y=20:50", "baffle.width=30:60" or
// "baffle.height=60:120", the limits in the file's unit (`unitM` metres each)
// and LOW below HIGH; a driver by its name. The baffle's width and height
// only of a rectangular baffle (not a polygon), with limits above 0.
Result<LayoutVariable, std::string> parseLayoutVariable(std::string_view text,
                                                        const Speaker& speaker, double unitM);

// The reason the variables cannot be searched together (none, one given
// twice), or nothing.
std::optional<std::string> layoutVariablesProblem(const std::vector<LayoutVariable>& variables);

// The speaker with each variable set to its value (metres). The listening
// reference point moves with a driver whose centre it was.
Speaker speakerWithLayout(const Speaker& base, const std::vector<LayoutVariable>& variables,
                          const std::vector<double>& valuesM);

// How far a layout lies outside what is allowed: 0 when feasible.
struct LayoutViolation {
    double offBaffleM = 0.0;  // the most any piston reaches beyond the baffle's edge
    double areaOverM2 = 0.0;  // the baffle's area beyond the largest allowed
    std::string reason;       // a sentence when not feasible
    bool feasible() const { return reason.empty(); }
};

// The baffle's area (m^2), as the plate's outline has it.
double outlineAreaM2(const PlateOutline& outline);

// Every driver's piston (its radius, 0 for a point source) must lie within the
// outline (its rim may touch the edge, within 1e-9 m), its centre strictly inside; the area at most
// maxAreaM2 (0: any). An outline the plate refuses is a violation of its own, with its reason.
LayoutViolation layoutViolation(const Speaker& speaker, double maxAreaM2);

}  // namespace opbaff::tools
