// Convex outlines of a thin plate, and the listener's place from angles.
#include <cmath>

#include "accurate/plate_geometry.h"
#include "opbaff/thin_plate.h"

namespace opbaff {

namespace {

bool finite(PlatePoint p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

double cross(PlatePoint o, PlatePoint a, PlatePoint b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Drops corners in line with their neighbours (a rounded corner's straight
// joins), so that every remaining corner turns left.
std::vector<PlatePoint> withoutStraightCorners(const std::vector<PlatePoint>& corners) {
    std::vector<PlatePoint> kept;
    const std::size_t n = corners.size();
    for (std::size_t i = 0; i < n; ++i) {
        const PlatePoint prev = corners[(i + n - 1) % n];
        const PlatePoint next = corners[(i + 1) % n];
        const double scale = std::hypot(next.x - prev.x, next.y - prev.y);
        if (std::abs(cross(prev, corners[i], next)) > 1e-12 * scale * scale) {
            kept.push_back(corners[i]);
        }
    }
    return kept;
}

}  // namespace

Result<PlateOutline, PlateError> PlateOutline::polygon(std::vector<PlatePoint> corners) {
    for (const PlatePoint& p : corners) {
        if (!finite(p)) {
            return PlateError::valueNotFinite;
        }
    }
    if (corners.size() < 3) {
        return PlateError::outlineTooFewCorners;
    }
    const std::size_t n = corners.size();
    for (std::size_t i = 0; i < n; ++i) {
        const PlatePoint a = corners[i];
        const PlatePoint b = corners[(i + 1) % n];
        if (a.x == b.x && a.y == b.y) {
            return PlateError::outlineNotConvex;
        }
    }
    std::vector<PlatePoint> kept = withoutStraightCorners(corners);
    if (kept.size() < 3) {
        return PlateError::outlineTooFewCorners;
    }
    const std::size_t m = kept.size();
    double turning = 0.0;
    for (std::size_t i = 0; i < m; ++i) {
        const PlatePoint a = kept[i];
        const PlatePoint b = kept[(i + 1) % m];
        const PlatePoint c = kept[(i + 2) % m];
        if (cross(a, b, c) <= 0.0) {
            return PlateError::outlineNotConvex;
        }
        turning +=
            std::atan2(cross(a, b, c), (b.x - a.x) * (c.x - b.x) + (b.y - a.y) * (c.y - b.y));
    }
    // Left turns all the way round once: a simple convex polygon, not a star.
    if (std::abs(turning - 2.0 * accurate::kPi) > 1e-6) {
        return PlateError::outlineNotConvex;
    }
    return PlateOutline(std::move(kept));
}

Result<PlateOutline, PlateError> PlateOutline::rectangle(double widthM, double heightM) {
    return chamferedRectangle(widthM, heightM, 0.0);
}

Result<PlateOutline, PlateError> PlateOutline::chamferedRectangle(double widthM, double heightM,
                                                                  double chamferM) {
    if (!std::isfinite(widthM) || !std::isfinite(heightM) || !std::isfinite(chamferM)) {
        return PlateError::valueNotFinite;
    }
    if (widthM <= 0.0 || heightM <= 0.0 || chamferM < 0.0 ||
        chamferM >= 0.5 * std::min(widthM, heightM)) {
        return PlateError::sizeNotPositive;
    }
    const double w = widthM;
    const double h = heightM;
    const double c = chamferM;
    if (c == 0.0) {
        return polygon({{0, 0}, {w, 0}, {w, h}, {0, h}});
    }
    return polygon(
        {{c, 0}, {w - c, 0}, {w, c}, {w, h - c}, {w - c, h}, {c, h}, {0, h - c}, {0, c}});
}

Result<PlateOutline, PlateError> PlateOutline::roundedRectangle(double widthM, double heightM,
                                                                double radiusM,
                                                                int segmentsPerCorner) {
    if (!std::isfinite(widthM) || !std::isfinite(heightM) || !std::isfinite(radiusM)) {
        return PlateError::valueNotFinite;
    }
    if (widthM <= 0.0 || heightM <= 0.0 || radiusM < 0.0 ||
        radiusM > 0.5 * std::min(widthM, heightM) || segmentsPerCorner < 1 ||
        segmentsPerCorner > 64) {
        return PlateError::sizeNotPositive;
    }
    if (radiusM == 0.0) {
        return rectangle(widthM, heightM);
    }
    const double r = radiusM;
    const PlatePoint centres[4] = {
        {widthM - r, r}, {widthM - r, heightM - r}, {r, heightM - r}, {r, r}};
    std::vector<PlatePoint> corners;
    for (int corner = 0; corner < 4; ++corner) {
        const double start = -0.5 * accurate::kPi + corner * 0.5 * accurate::kPi;
        for (int i = 0; i <= segmentsPerCorner; ++i) {
            const double angle = start + 0.5 * accurate::kPi * i / segmentsPerCorner;
            corners.push_back(
                {centres[corner].x + r * std::cos(angle), centres[corner].y + r * std::sin(angle)});
        }
    }
    // Where two arcs meet across a side of zero length, one corner is enough.
    std::vector<PlatePoint> distinct;
    for (const PlatePoint& p : corners) {
        const PlatePoint& last = distinct.empty() ? corners.back() : distinct.back();
        if (std::hypot(p.x - last.x, p.y - last.y) > 1e-12 * (widthM + heightM)) {
            distinct.push_back(p);
        }
    }
    return polygon(std::move(distinct));
}

Result<PlateOutline, PlateError> PlateOutline::regularPolygon(int sides, double circumradiusM,
                                                              PlatePoint centre) {
    if (!std::isfinite(circumradiusM) || !finite(centre)) {
        return PlateError::valueNotFinite;
    }
    if (sides < 3 || sides > 256) {
        return PlateError::outlineTooFewCorners;
    }
    if (circumradiusM <= 0.0) {
        return PlateError::sizeNotPositive;
    }
    std::vector<PlatePoint> corners;
    for (int i = 0; i < sides; ++i) {
        const double angle = -0.5 * accurate::kPi + 2.0 * accurate::kPi * i / sides;
        corners.push_back({centre.x + circumradiusM * std::cos(angle),
                           centre.y + circumradiusM * std::sin(angle)});
    }
    return polygon(std::move(corners));
}

bool PlateOutline::containsStrictly(PlatePoint p) const {
    const std::size_t n = corners_.size();
    for (std::size_t i = 0; i < n; ++i) {
        const PlatePoint a = corners_[i];
        const PlatePoint b = corners_[(i + 1) % n];
        const double side = std::hypot(b.x - a.x, b.y - a.y);
        if (cross(a, b, p) <= 1e-12 * side * side) {
            return false;
        }
    }
    return true;
}

SpacePoint listenerPosition(PlatePoint reference, const PlateListener& listener) {
    const double h = listener.horizontalDeg * accurate::kPi / 180.0;
    const double v = listener.verticalDeg * accurate::kPi / 180.0;
    const double d = listener.distanceM;
    return {reference.x + d * std::sin(h) * std::cos(v), reference.y + d * std::sin(v),
            d * std::cos(h) * std::cos(v)};
}

const char* plateErrorText(PlateError error) {
    switch (error) {
        case PlateError::outlineTooFewCorners:
            return "the outline has fewer than 3 corners (or a polygon more than 256 sides)";
        case PlateError::outlineNotConvex:
            return "the outline's corners are not in anticlockwise convex order";
        case PlateError::valueNotFinite:
            return "a coordinate, size, level or speed is not a finite number";
        case PlateError::sizeNotPositive:
            return "a size, corner, speed of sound or accuracy setting is out of range";
        case PlateError::driverOffPlate:
            return "a driver lies outside the plate's outline or on its border";
        case PlateError::listenerOnPlate:
            return "the listener lies on the plate";
        case PlateError::noDriver:
            return "no driver was given";
        case PlateError::frequencyNotPositive:
            return "a frequency is 0, negative or not finite";
        case PlateError::gridSizeOutOfRange:
            return "the grid has no frequency or too many";
    }
    return "unknown error";
}

}  // namespace opbaff
