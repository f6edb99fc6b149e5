#include "polar.h"

#include <algorithm>
#include <cmath>

#include "number_text.h"
#include "opbaff/design_plate.h"
#include "parallel.h"
#include "words.h"

namespace opbaff::tools {
namespace {

constexpr double kMaxAngleDeg = 180.0;

// Why the text names no angles, after "angles '<text>': ".
std::string anglesProblem(const RangeError& error) {
    const auto number = [](double value) { return shortNumber(static_cast<float>(value)); };
    switch (error.problem) {
        case RangeProblem::notThreeParts:
        case RangeProblem::notANumber:
            break;
        case RangeProblem::outsideLimits:
            return number(error.value) + " lies outside -180 to 180 degrees";
        case RangeProblem::zeroStep:
            return "the step is 0";
        case RangeProblem::awayFromTo:
            return "the step leads away from " + number(error.value);
        case RangeProblem::tooManyValues:
            return "more than " + std::to_string(kMaxPolarAngles) + " angles";
        case RangeProblem::finerThanFloat:
            return "the step is finer than single precision holds";
    }
    return "give FROM:TO:STEP in degrees, as -90:90:5";
}

}  // namespace

Result<std::vector<float>, std::string> parseAngles(std::string_view text) {
    auto angles = parseRange(text, {-kMaxAngleDeg, kMaxAngleDeg, kMaxPolarAngles});
    if (!angles) return "angles '" + std::string(text) + "': " + anglesProblem(angles.error());
    return std::move(angles).value();
}

Result<PolarSet, std::string> computePolarSet(const Design& design, const FrequencyGrid& grid,
                                              const std::vector<float>& anglesDeg, int jobs) {
    if (design.model != Model::rectangular) {
        return "no directivity in the " + modelWords(design.model) +
               ": only the rectangular baffle (model code r) has one";
    }
    if (anglesDeg.empty()) return std::string("no angle to compute");
    // One job per angle, and a last one for the reference at 0 degrees.
    const std::size_t count = anglesDeg.size();
    std::vector<ResponseColumn> columns(count + 1);
    runParallel(count + 1, jobs, [&](std::size_t i) {
        Design heard = design;
        heard.offAxisAngleDeg = i < count ? anglesDeg[i] : 0.0F;
        columns[i] = std::move(computeResponse(heard, grid).columns[2]);
    });
    PolarSet set;
    set.anglesDeg = anglesDeg;
    set.frequenciesHz = grid.frequencies();
    set.onAxisDb = std::move(columns[count].levelsDb);
    for (std::size_t i = 0; i < count; ++i) {
        set.levelsDb.push_back(std::move(columns[i].levelsDb));
        set.values.push_back(std::move(columns[i].values));
    }
    return set;
}

namespace {

// The plate heard at each angle of one plane; vertical angles beyond 90
// degrees turn over the top (or under the bottom) to the rear.
Result<PolarSet, std::string> platePolarSet(const DesignPlate& plate, PolarPlane plane,
                                            const std::vector<float>& anglesDeg,
                                            const ResponseColumn& onAxis, int jobs) {
    const std::size_t count = anglesDeg.size();
    std::vector<ResponseColumn> columns(count);
    std::vector<std::string> problems(count);
    runParallel(count, jobs, [&](std::size_t i) {
        const double angle = anglesDeg[i];
        double horizontal = angle;
        double vertical = 0.0;
        if (plane == PolarPlane::vertical) {
            const bool behind = std::fabs(angle) > 90.0;
            horizontal = behind ? 180.0 : 0.0;
            vertical = behind ? std::copysign(180.0 - std::fabs(angle), angle) : angle;
        }
        auto heard = plate.listen(horizontal, vertical);
        if (heard) {
            columns[i] = std::move(*heard);
        } else {
            problems[i] = "the accurate model at " + angleText(anglesDeg[i]) +
                          " degrees: " + plateErrorText(heard.error());
        }
    });
    for (const std::string& problem : problems) {
        if (!problem.empty()) return problem;
    }
    PolarSet set;
    set.anglesDeg = anglesDeg;
    set.frequenciesHz = plate.frequenciesHz();
    set.onAxisDb = onAxis.levelsDb;
    for (ResponseColumn& column : columns) {
        set.levelsDb.push_back(std::move(column.levelsDb));
        set.values.push_back(std::move(column.values));
    }
    return set;
}

}  // namespace

Result<PlatePolarSets, std::string> computePlatePolarSets(const Design& design,
                                                          const FrequencyGrid& grid,
                                                          const std::vector<float>& horizontalDeg,
                                                          const std::vector<float>& verticalDeg,
                                                          int jobs) {
    if (design.model != Model::rectangular) {
        return "no directivity in the " + modelWords(design.model) +
               ": only the rectangular baffle (model code r) has one";
    }
    const auto plate = DesignPlate::create(design, grid);
    if (!plate) return std::string("the accurate model: ") + plateErrorText(plate.error());
    const auto onAxis = plate->listen(0.0, 0.0);
    if (!onAxis) return std::string("the accurate model: ") + plateErrorText(onAxis.error());
    auto horizontal = platePolarSet(*plate, PolarPlane::horizontal, horizontalDeg, *onAxis, jobs);
    if (!horizontal) return horizontal.error();
    auto vertical = platePolarSet(*plate, PolarPlane::vertical, verticalDeg, *onAxis, jobs);
    if (!vertical) return vertical.error();
    return PlatePolarSets{std::move(*horizontal), std::move(*vertical)};
}

Response offAxisResponse(const PolarSet& set, std::size_t angle) {
    Response response;
    response.model = Model::rectangular;
    response.frequenciesHz = set.frequenciesHz;
    const auto kinds = responseKinds(Model::rectangular);
    for (std::size_t k = 0; k < kinds.size(); ++k) response.columns[k].kind = kinds[k];
    response.columns[2].levelsDb = set.levelsDb[angle];
    response.columns[2].values = set.values[angle];
    return response;
}

PolarSet baffleOnlySet(PolarSet set, const Design& design) {
    const auto baffleOnlyLevels = [&](std::vector<float> levels) {
        Response response;
        response.frequenciesHz = set.frequenciesHz;
        response.columns[0].levelsDb = std::move(levels);
        return std::move(baffleOnlyResponse(std::move(response), design).columns[0].levelsDb);
    };
    for (std::vector<float>& levels : set.levelsDb) levels = baffleOnlyLevels(std::move(levels));
    set.onAxisDb = baffleOnlyLevels(std::move(set.onAxisDb));
    return set;
}

std::string angleText(float angleDeg) {
    return shortNumber(angleDeg == 0.0F ? 0.0F : angleDeg);
}

std::string polarFileName(const std::string& name, float angleDeg, PolarPlane plane) {
    return name + (plane == PolarPlane::horizontal ? " hor " : " ver ") + angleText(angleDeg) +
           ".frd";
}

std::size_t nearestFrequency(const std::vector<float>& frequenciesHz, float frequencyHz) {
    std::size_t nearest = 0;
    double nearestDistance = INFINITY;
    for (std::size_t i = 0; i < frequenciesHz.size(); ++i) {
        const double distance =
            std::fabs(std::log(static_cast<double>(frequenciesHz[i]) / frequencyHz));
        if (distance < nearestDistance) {
            nearest = i;
            nearestDistance = distance;
        }
    }
    return nearest;
}

Result<std::vector<float>, std::string> parseFrequencies(std::string_view text) {
    std::vector<float> frequencies;
    for (const std::string_view part : splitText(text, ',')) {
        const auto frequency = parseNumber<float>(part);
        if (!frequency || *frequency <= 0.0F) {
            return "frequencies '" + std::string(text) +
                   "': give hertz above 0 separated by commas, as 250,500,1000";
        }
        frequencies.push_back(*frequency);
    }
    return frequencies;
}

}  // namespace opbaff::tools
