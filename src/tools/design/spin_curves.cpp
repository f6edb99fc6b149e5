#include "spin_curves.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace opbaff::tools {

std::vector<float> spinAnglesDeg() {
    std::vector<float> angles;
    for (int angle = -170; angle <= 180; angle += 10) angles.push_back(static_cast<float>(angle));
    return angles;
}

std::vector<float> withSpinAngles(const std::vector<float>& wanted) {
    std::vector<float> angles = wanted;
    for (const float angle : spinAnglesDeg()) {
        if (std::find(wanted.begin(), wanted.end(), angle) == wanted.end()) angles.push_back(angle);
    }
    std::sort(angles.begin(), angles.end());
    return angles;
}

PolarSet polarSubset(const PolarSet& set, const std::vector<float>& anglesDeg) {
    PolarSet subset;
    subset.frequenciesHz = set.frequenciesHz;
    subset.onAxisDb = set.onAxisDb;
    for (const float angle : anglesDeg) {
        const auto at = std::find(set.anglesDeg.begin(), set.anglesDeg.end(), angle);
        const auto k = static_cast<std::size_t>(at - set.anglesDeg.begin());
        subset.anglesDeg.push_back(angle);
        subset.levelsDb.push_back(set.levelsDb.at(k));
        subset.values.push_back(set.values.at(k));
    }
    return subset;
}

namespace {

SpinOrbit orbitOf(const PolarSet& set) {
    SpinOrbit orbit;
    orbit.anglesDeg.assign(set.anglesDeg.begin(), set.anglesDeg.end());
    for (const std::vector<float>& levels : set.levelsDb) {
        orbit.levelsDb.emplace_back(levels.begin(), levels.end());
    }
    return orbit;
}

std::string numberText(double value) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.9g", value);
    return text.data();
}

}  // namespace

Result<Spin, std::string> spinOfSets(const PolarSet& horizontal, const PolarSet& vertical) {
    SpinOrbits orbits;
    orbits.frequenciesHz.assign(horizontal.frequenciesHz.begin(), horizontal.frequenciesHz.end());
    orbits.horizontal = orbitOf(horizontal);
    orbits.vertical = orbitOf(vertical);
    auto spin = computeSpin(orbits);
    if (!spin) return "the spin: " + spin.error().describe();
    return std::move(spin).value();
}

std::string spinTsv(const Spin& spin, const std::vector<std::string>& remarks) {
    std::string text;
    for (const std::string& remark : remarks) text.append("# ").append(remark).append("\n");
    text +=
        "# curves of ANSI/CTA-2034-A (Consumer Technology Association, 2015): energy averages "
        "over its groups of angles of the horizontal and vertical orbits at 10 degree steps, the "
        "sound power weighted by the areas of its Appendix C, the estimated in-room response "
        "0.12 listening window + 0.44 early reflections + 0.44 sound power, the directivity "
        "indices the listening window minus the sound power and minus the early reflections\n";
    std::string rows = "frequency_Hz";
    for (const SpinColumn& column : kSpinColumns) rows.append("\t").append(column.name);
    rows += "\n";
    std::size_t leftOut = 0;
    for (std::size_t i = 0; i < spin.frequenciesHz.size(); ++i) {
        std::string row = numberText(spin.frequenciesHz[i]);
        bool finite = true;
        for (const SpinColumn& column : kSpinColumns) {
            const double value = (spin.*column.curve)[i];
            finite = finite && std::isfinite(value);
            row.append("\t").append(numberText(value));
        }
        if (!finite) {
            ++leftOut;
            continue;
        }
        rows.append(row).append("\n");
    }
    if (leftOut > 0) {
        text.append("# ")
            .append(std::to_string(leftOut))
            .append(" frequencies left out: a level there is not a finite number\n");
    }
    return text + rows;
}

}  // namespace opbaff::tools
