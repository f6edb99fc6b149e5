#include "speaker_compare.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace opbaff::test {
namespace {

struct Comparison {
    double relative;
    std::string difference;

    void number(const std::string& what, double a, double b) {
        if (!difference.empty()) return;
        const double scale = std::max({std::abs(a), std::abs(b), 1e-300});
        if (std::abs(a - b) > relative * scale) {
            difference = what + ": " + std::to_string(a) + " against " + std::to_string(b);
        }
    }
    template <typename T>
    void same(const std::string& what, const T& a, const T& b) {
        if (difference.empty() && !(a == b)) difference = what + " differs";
    }
    void point(const std::string& what, PlatePoint a, PlatePoint b) {
        number(what + ".x", a.x, b.x);
        number(what + ".y", a.y, b.y);
    }
    void numbers(const std::string& what, const std::vector<double>& a,
                 const std::vector<double>& b) {
        same(what + " count", a.size(), b.size());
        for (std::size_t i = 0; i < a.size() && difference.empty(); ++i) {
            number(what + "[" + std::to_string(i) + "]", a[i], b[i]);
        }
    }
};

void compareBaffle(Comparison& c, const SpeakerBaffle& a, const SpeakerBaffle& b) {
    c.same("baffle.isPolygon", a.isPolygon, b.isPolygon);
    if (a.isPolygon) {
        c.same("baffle.polygon count", a.polygonM.size(), b.polygonM.size());
        for (std::size_t i = 0; i < a.polygonM.size() && c.difference.empty(); ++i) {
            c.point("baffle.polygon[" + std::to_string(i) + "]", a.polygonM[i], b.polygonM[i]);
        }
        return;
    }
    c.number("baffle.width", a.widthM, b.widthM);
    c.number("baffle.height", a.heightM, b.heightM);
    c.same("baffle.corners", a.corners, b.corners);
    c.number("baffle.cornerSize", a.cornerSizeM, b.cornerSizeM);
}

void compareResponse(Comparison& c, const std::string& at, const DriverResponse& a,
                     const DriverResponse& b) {
    c.same(at + ".kind", a.kind, b.kind);
    if (a.kind == DriverResponse::Kind::idealHighPass) {
        c.number(at + ".resonance", a.resonanceHz, b.resonanceHz);
        c.number(at + ".q", a.q, b.q);
    } else if (a.kind == DriverResponse::Kind::measured) {
        c.same(at + ".condition", a.measured.condition, b.measured.condition);
        c.same(at + ".sourceName", a.measured.sourceName, b.measured.sourceName);
        c.numbers(at + ".frequencies", a.measured.frequenciesHz, b.measured.frequenciesHz);
        c.numbers(at + ".levels", a.measured.levelsDb, b.measured.levelsDb);
        c.numbers(at + ".phases", a.measured.phasesDeg, b.measured.phasesDeg);
    }
}

void compareFilter(Comparison& c, const std::string& at, const SpeakerFilter& a,
                   const SpeakerFilter& b) {
    c.same(at + ".kind", a.kind, b.kind);
    if (a.kind != SpeakerFilter::Kind::biquad) {
        c.same(at + ".order", a.order, b.order);
        c.number(at + ".frequency", a.frequencyHz, b.frequencyHz);
        return;
    }
    c.same(at + ".biquad.kind", a.biquad.kind, b.biquad.kind);
    c.number(at + ".biquad.frequency", a.biquad.frequencyHz, b.biquad.frequencyHz);
    c.number(at + ".biquad.gain", a.biquad.gainDb, b.biquad.gainDb);
    c.number(at + ".biquad.q", a.biquad.q, b.biquad.q);
}

void compareDriver(Comparison& c, const std::string& at, const SpeakerDriver& a,
                   const SpeakerDriver& b) {
    c.same(at + ".name", a.name, b.name);
    c.point(at + ".centre", a.centreM, b.centreM);
    c.number(at + ".diameter", a.pistonDiameterM, b.pistonDiameterM);
    c.same(at + ".rear", a.rearOn, b.rearOn);
    c.number(at + ".rearLevel", a.rearLevelDb, b.rearLevelDb);
    c.same(at + ".inverted", a.inverted, b.inverted);
    c.number(at + ".gain", a.gainDb, b.gainDb);
    c.number(at + ".delay", a.delayMs, b.delayMs);
    compareResponse(c, at + ".response", a.response, b.response);
    c.same(at + ".filter count", a.filters.size(), b.filters.size());
    for (std::size_t i = 0; i < a.filters.size() && c.difference.empty(); ++i) {
        compareFilter(c, at + ".filter[" + std::to_string(i) + "]", a.filters[i], b.filters[i]);
    }
}

}  // namespace

std::string speakerDifference(const Speaker& a, const Speaker& b, double relative) {
    Comparison c{relative, {}};
    c.same("name", a.name, b.name);
    compareBaffle(c, a.baffle, b.baffle);
    c.point("reference", a.referenceM, b.referenceM);
    c.number("distance", a.listeningDistanceM, b.listeningDistanceM);
    c.same("grid.pointsPerOctave", a.grid.pointsPerOctave, b.grid.pointsPerOctave);
    c.same("grid.lowest", a.grid.lowestHz, b.grid.lowestHz);
    c.same("grid.highest", a.grid.highestHz, b.grid.highestHz);
    c.number("speedOfSound", a.speedOfSoundMPerS, b.speedOfSoundMPerS);
    c.same("driver count", a.drivers.size(), b.drivers.size());
    for (std::size_t i = 0; i < a.drivers.size() && c.difference.empty(); ++i) {
        compareDriver(c, "driver[" + std::to_string(i) + "]", a.drivers[i], b.drivers[i]);
    }
    c.same("filter count", a.filters.size(), b.filters.size());
    for (std::size_t i = 0; i < a.filters.size() && c.difference.empty(); ++i) {
        compareFilter(c, "filter[" + std::to_string(i) + "]", a.filters[i], b.filters[i]);
    }
    return c.difference;
}

}  // namespace opbaff::test
