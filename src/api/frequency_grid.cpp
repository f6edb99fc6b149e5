#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "api/fp_environment.h"
#include "model/source_spectra.h"
#include "opbaff/response.h"

namespace opbaff {
namespace {

bool isPositiveFrequency(float f) {
    return std::isfinite(f) && f > 0.0F;
}

// lowest * 2^(k / n), in double precision, rounded once.
float octaveStep(float lowestHz, std::size_t k, int pointsPerOctave) {
    return static_cast<float>(lowestHz * std::exp2(static_cast<double>(k) / pointsPerOctave));
}

}  // namespace

FrequencyGrid FrequencyGrid::standard() {
    const ExactEnvironment exact;
    const Spectrum<Real> grid = standardFrequencyGrid();
    return {std::vector<float>(grid.begin(), grid.end()), true};
}

Result<FrequencyGrid, Error> FrequencyGrid::perOctave(const GridRequest& request) {
    const ExactEnvironment exact;
    const int pointsPerOctave = request.pointsPerOctave;
    const float lowestHz = request.lowestHz;
    const float highestHz = request.highestHz;
    if (pointsPerOctave < 1 || pointsPerOctave > kMaxPointsPerOctave) {
        return Error::pointsPerOctaveOutOfRange;
    }
    if (!isPositiveFrequency(lowestHz) || !isPositiveFrequency(highestHz)) {
        return Error::frequencyNotPositive;
    }
    if (highestHz < lowestHz) return Error::frequencyRangeReversed;
    // Steps to the first frequency at or above the highest; the margin keeps an
    // end that lies on the grid from adding a step.
    const double octaves = std::log2(static_cast<double>(highestHz) / lowestHz);
    auto steps = static_cast<std::size_t>(std::ceil(octaves * pointsPerOctave - 1e-9));
    if (steps + 1 > kMaxGridPoints) return Error::gridSizeOutOfRange;
    if (octaveStep(lowestHz, steps, pointsPerOctave) < highestHz) ++steps;
    if (steps + 1 > kMaxGridPoints) return Error::gridSizeOutOfRange;
    // Near the largest float the step past highestHz can overflow: the grid
    // then ends on its last finite frequency, which is highestHz or above it
    // by less than one step.
    while (steps > 0 && !std::isfinite(octaveStep(lowestHz, steps, pointsPerOctave))) --steps;

    std::vector<float> points(steps + 1);
    for (std::size_t k = 0; k < points.size(); ++k)
        points[k] = octaveStep(lowestHz, k, pointsPerOctave);
    return FrequencyGrid(std::move(points), false);
}

Result<FrequencyGrid, Error> FrequencyGrid::fromFrequencies(std::vector<float> frequenciesHz) {
    const ExactEnvironment exact;
    if (frequenciesHz.empty() || frequenciesHz.size() > kMaxGridPoints) {
        return Error::gridSizeOutOfRange;
    }
    if (!std::all_of(frequenciesHz.begin(), frequenciesHz.end(), isPositiveFrequency)) {
        return Error::frequencyNotPositive;
    }
    return FrequencyGrid(std::move(frequenciesHz), false);
}

namespace {

// A sentence with a number in it, composed when the library is compiled.
struct Sentence {
    std::array<char, 64> text{};
};

constexpr Sentence sentence(std::string_view head, std::size_t number, std::string_view tail) {
    Sentence s;
    std::size_t n = 0;
    for (const char c : head) s.text[n++] = c;
    std::array<char, 20> digits{};
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0);
    while (count > 0) s.text[n++] = digits[--count];
    for (const char c : tail) s.text[n++] = c;
    return s;
}

constexpr Sentence kPointsPerOctaveText = sentence(
    "the points per octave lie outside 1 to ", static_cast<std::size_t>(kMaxPointsPerOctave), "");
constexpr Sentence kGridSizeText = sentence("a grid needs 1 to ", kMaxGridPoints, " frequencies");

}  // namespace

const char* errorText(Error error) {
    switch (error) {
        case Error::pointsPerOctaveOutOfRange:
            return kPointsPerOctaveText.text.data();
        case Error::frequencyNotPositive:
            return "a frequency is not a positive finite number";
        case Error::frequencyRangeReversed:
            return "the highest frequency lies below the lowest";
        case Error::gridSizeOutOfRange:
            return kGridSizeText.text.data();
        case Error::valueNotANumber:
            return "a value of the design is not a number";
    }
    return "unknown error";
}

}  // namespace opbaff
