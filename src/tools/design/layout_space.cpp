// The layout search's variables and its feasible layouts.
#include "layout_space.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

#include "number_text.h"

namespace opbaff::tools {
namespace {

// A rim that touches the edge within round-off is on the baffle.
constexpr double kRimToleranceM = 1e-9;

std::string lengthText(double value) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.4g", value);
    return text.data();
}

Result<LayoutVariable::Kind, std::string> kindOf(std::string_view owner, std::string_view field) {
    if (owner == "baffle") {
        if (field == "width") return LayoutVariable::Kind::baffleWidth;
        if (field == "height") return LayoutVariable::Kind::baffleHeight;
        return std::string("the baffle's values are width and height");
    }
    if (field == "x") return LayoutVariable::Kind::driverX;
    if (field == "y") return LayoutVariable::Kind::driverY;
    return std::string("a driver's values are x and y");
}

// The signed distance of p from the line a -> b, positive on its left (inside
// an anticlockwise outline).
double insideDistance(PlatePoint a, PlatePoint b, PlatePoint p) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    if (length == 0.0) return std::numeric_limits<double>::infinity();
    return (dx * (p.y - a.y) - dy * (p.x - a.x)) / length;
}

// The distance of p from the nearest edge of a convex outline, negative outside.
double edgeClearance(const PlateOutline& outline, PlatePoint p) {
    const auto& c = outline.corners();
    double clearance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < c.size(); ++i) {
        clearance = std::min(clearance, insideDistance(c[i], c[(i + 1) % c.size()], p));
    }
    return clearance;
}

}  // namespace

Result<LayoutVariable, std::string> parseLayoutVariable(std::string_view text,
                                                        const Speaker& speaker, double unitM) {
    std::string quoted(1, '\'');
    quoted.append(text).push_back('\'');
    const auto equals = text.find('=');
    const auto dot = text.substr(0, equals).rfind('.');
    if (equals == std::string_view::npos || dot == std::string_view::npos) {
        return quoted + ": give NAME.FIELD=LOW:HIGH (tweeter.x=10:30, baffle.width=30:60)";
    }
    const std::string_view owner = text.substr(0, dot);
    const std::string_view field = text.substr(dot + 1, equals - dot - 1);
    const auto kind = kindOf(owner, field);
    if (!kind) return quoted + ": " + kind.error();
    LayoutVariable variable;
    variable.kind = *kind;
    variable.name = std::string(text.substr(0, equals));
    if (owner == "baffle") {
        if (speaker.baffle.isPolygon) return quoted + ": a polygon baffle has no width or height";
    } else {
        const auto& drivers = speaker.drivers;
        const auto found = std::find_if(drivers.begin(), drivers.end(),
                                        [&](const SpeakerDriver& d) { return d.name == owner; });
        if (found == drivers.end()) return quoted + ": the speaker has no driver of that name";
        variable.driver = static_cast<std::size_t>(found - drivers.begin());
    }
    const auto limits = splitText(text.substr(equals + 1), ':');
    const auto low = limits.size() == 2 ? parseNumber<double>(limits[0]) : std::nullopt;
    const auto high = limits.size() == 2 ? parseNumber<double>(limits[1]) : std::nullopt;
    if (!low || !high) return quoted + ": the limits are LOW:HIGH, two finite numbers";
    if (!(*low < *high)) return quoted + ": LOW must lie below HIGH";
    const bool size = owner == "baffle";
    if (size && *low <= 0.0) return quoted + ": the baffle's limits must lie above 0";
    variable.lowM = *low * unitM;
    variable.highM = *high * unitM;
    return variable;
}

std::optional<std::string> layoutVariablesProblem(const std::vector<LayoutVariable>& variables) {
    if (variables.empty()) return std::string("give at least one --vary");
    for (std::size_t i = 0; i < variables.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (variables[i].name == variables[j].name) {
                return "--vary " + variables[i].name + ": given twice";
            }
        }
    }
    return std::nullopt;
}

Speaker speakerWithLayout(const Speaker& base, const std::vector<LayoutVariable>& variables,
                          const std::vector<double>& valuesM) {
    Speaker speaker = base;
    for (std::size_t i = 0; i < variables.size() && i < valuesM.size(); ++i) {
        const LayoutVariable& v = variables[i];
        const double value = valuesM[i];
        if (v.kind == LayoutVariable::Kind::baffleWidth) {
            speaker.baffle.widthM = value;
        } else if (v.kind == LayoutVariable::Kind::baffleHeight) {
            speaker.baffle.heightM = value;
        } else {
            const PlatePoint was = base.drivers[v.driver].centreM;
            const bool x = v.kind == LayoutVariable::Kind::driverX;
            PlatePoint& centre = speaker.drivers[v.driver].centreM;
            (x ? centre.x : centre.y) = value;
            if (base.referenceM.x == was.x && base.referenceM.y == was.y) {
                (x ? speaker.referenceM.x : speaker.referenceM.y) = value;
            }
        }
    }
    return speaker;
}

double outlineAreaM2(const PlateOutline& outline) {
    const auto& c = outline.corners();
    double twice = 0.0;
    for (std::size_t i = 0; i < c.size(); ++i) {
        const PlatePoint a = c[i];
        const PlatePoint b = c[(i + 1) % c.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return 0.5 * std::abs(twice);
}

LayoutViolation layoutViolation(const Speaker& speaker, double maxAreaM2) {
    LayoutViolation violation;
    const auto outline = speakerOutline(speaker.baffle);
    if (!outline) {
        violation.offBaffleM = 1.0;
        violation.reason = speakerFailureText(speaker, outline.error());
        return violation;
    }
    for (const SpeakerDriver& driver : speaker.drivers) {
        const double clearance = edgeClearance(*outline, driver.centreM);
        const double over = 0.5 * driver.pistonDiameterM - clearance;
        if (over > kRimToleranceM || clearance <= 0.0) {
            violation.offBaffleM = std::max(violation.offBaffleM, std::max(over, 1e-9));
            if (violation.reason.empty()) {
                violation.reason = "driver \"" + driver.name + "\" reaches " +
                                   lengthText(std::max(over, 0.0) * 100.0) +
                                   " cm beyond the baffle's edge";
            }
        }
    }
    const double area = outlineAreaM2(*outline);
    if (maxAreaM2 > 0.0 && area > maxAreaM2) {
        violation.areaOverM2 = area - maxAreaM2;
        if (violation.reason.empty()) {
            violation.reason =
                "the baffle's area " + lengthText(area * 1e4) + " cm^2 exceeds the largest allowed";
        }
    }
    return violation;
}

}  // namespace opbaff::tools
