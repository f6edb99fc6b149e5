#include "accurate/plate_geometry.h"

#include <cmath>

namespace opbaff::accurate {

std::vector<Edge> edgesOf(const PlateOutline& outline) {
    const auto& c = outline.corners();
    std::vector<Edge> edges;
    edges.reserve(c.size());
    for (std::size_t i = 0; i < c.size(); ++i) {
        const PlatePoint a = c[i];
        const PlatePoint b = c[(i + 1) % c.size()];
        Edge e;
        e.px = a.x;
        e.py = a.y;
        e.length = std::hypot(b.x - a.x, b.y - a.y);
        e.ex = (b.x - a.x) / e.length;
        e.ey = (b.y - a.y) / e.length;
        // Anticlockwise corners: the interior lies to the left of each side.
        e.nx = -e.ey;
        e.ny = e.ex;
        edges.push_back(e);
    }
    return edges;
}

EdgeCoordinates edgeCoordinates(const Edge& edge, SpacePoint point) {
    const double dx = point.x - edge.px;
    const double dy = point.y - edge.py;
    const double inward = dx * edge.nx + dy * edge.ny;
    EdgeCoordinates q;
    q.s = dx * edge.ex + dy * edge.ey;
    q.r = std::hypot(inward, point.z);
    const double angle = std::atan2(point.z, inward);
    q.theta = point.z >= 0.0 ? angle : 2.0 * kPi + angle;
    return q;
}

}  // namespace opbaff::accurate
