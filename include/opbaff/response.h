// opbaff: the frequency response of a design on a frequency grid.
#pragma once

#include <array>
#include <complex>
#include <cstddef>
#include <vector>

#include "opbaff/design.h"
#include "opbaff/result.h"

namespace opbaff {

inline constexpr std::size_t kStandardGridSize = 81;
inline constexpr int kMaxPointsPerOctave = 1000;
inline constexpr std::size_t kMaxGridPoints = 100000;

// What a logarithmic grid is asked for with, each field by name:
//   FrequencyGrid::perOctave({.pointsPerOctave = 24, .lowestHz = 20.0F, .highestHz = 20000.0F})
// A request that leaves pointsPerOctave out is refused (pointsPerOctaveOutOfRange).
struct GridRequest {
    int pointsPerOctave = 0;     // 1 to kMaxPointsPerOctave
    float lowestHz = 10.0F;      // the first frequency
    float highestHz = 20000.0F;  // the grid ends at the first frequency at or above it
};

// The frequencies a response is computed at, in hertz. A grid is a value: copy it
// freely. Every frequency is computed by the same formulas whatever the grid, so
// the levels at a frequency do not depend on the other frequencies of its grid.
class FrequencyGrid {
  public:
    // The program's grid: 81 frequencies, 10 Hz and then each the previous one
    // times the single-precision 1.1, rounded to a float at every step (11,
    // 12.1000004, ..., 20484.0332 Hz). Its rows are those of the result file.
    static FrequencyGrid standard();

    // A logarithmic grid of `pointsPerOctave` points per octave (1 to
    // kMaxPointsPerOctave): lowestHz * 2^(k / pointsPerOctave) for k = 0, 1, ...
    // up to the first frequency at or above highestHz, each computed in double
    // precision and rounded to a float once. The first frequency is lowestHz
    // exactly. Every frequency is finite: where the first one at or above
    // highestHz would overflow a float, the grid ends on the one before it. Errors:
    // pointsPerOctaveOutOfRange, frequencyNotPositive (either end 0, negative or not finite),
    // frequencyRangeReversed, gridSizeOutOfRange.
    static Result<FrequencyGrid, Error> perOctave(const GridRequest& request);

    // The given frequencies, in the given order (repeats allowed). Errors:
    // frequencyNotPositive (a frequency 0, negative or not finite), gridSizeOutOfRange
    // (none or more than kMaxGridPoints).
    static Result<FrequencyGrid, Error> fromFrequencies(std::vector<float> frequenciesHz);

    const std::vector<float>& frequencies() const { return frequencies_; }
    std::size_t size() const { return frequencies_.size(); }
    // True for the grid standard() returns.
    bool isStandard() const { return standard_; }

  private:
    FrequencyGrid(std::vector<float> frequencies, bool standard)
        : frequencies_(std::move(frequencies)), standard_(standard) {}
    std::vector<float> frequencies_;
    bool standard_ = false;
};

// What a response column holds. Each model has four columns, in the order of the
// program's result file (see responseKinds).
enum class ResponseKind {
    rectangularOnAxis,   // rectangular baffle heard on axis (rectangular model, column 1)
    roundBaffleOnAxis,   // round baffle heard on axis, bare rear source (rectangular, 2)
    rectangularOffAxis,  // rectangular baffle heard at offAxisAngleDeg (rectangular, 3)
    singlePathFullRear,  // round baffle, rear source with all its options (single path, 1)
    singlePathBareRear,  // round baffle, bare rear source (single path, 2)
    referenceLevel,      // constant -100 dB, the magnitude floor (single path, 3)
    noPath,              // front plus rear source with no path between them (both, 4)
};

// A short name for files and labels: "rectangular-on-axis", "round-baffle-on-axis",
// "rectangular-off-axis", "single-path-full-rear", "single-path-bare-rear",
// "reference-level", "no-path". Never null.
const char* responseName(ResponseKind kind);

// One line of plain ASCII saying what the column holds. Never null.
const char* responseDescription(ResponseKind kind);

// The four columns of a model, in the result file's order.
std::array<ResponseKind, 4> responseKinds(Model model);

// One response column on a grid: for each frequency, the level in dB that the
// program writes (bit for bit on the standard grid) and the complex value it is
// the level of.
//
// The complex value is the sum of the front wave and the delayed, weighted rear
// waves (for the rectangular baffle, the mean of its two sides), so that its
// argument is the phase of the baffle's interference, without the common delay of
// the way to the listener. The driver's high-pass enters the model by its
// magnitude only: multiply by driverHighPass(...) / |driverHighPass(...)| for the
// minimum-phase response with the driver. For noPath the value is the sum before
// the floor of 1e-5 is added to its magnitude; for referenceLevel it is (1e-5, 0).
struct ResponseColumn {
    ResponseKind kind = ResponseKind::rectangularOnAxis;
    std::vector<float> levelsDb;
    std::vector<std::complex<float>> values;
};

// One frequency of a response: the row the program writes, with its frequency
// and the complex values behind the levels (as in ResponseColumn).
struct ResponseRow {
    float frequencyHz = 0.0F;
    std::array<float, 4> levelsDb{};
    std::array<std::complex<float>, 4> values{};
};

struct Response {
    Model model = Model::rectangular;
    std::vector<float> frequenciesHz;       // the grid's frequencies, in its order
    std::array<ResponseColumn, 4> columns;  // in the order of the result file

    // The column of that kind, or nullptr if the model has none.
    const ResponseColumn* column(ResponseKind kind) const;

    // The row at frequenciesHz[i], i below frequenciesHz.size(): what
    // streamResponse hands on for that frequency.
    ResponseRow row(std::size_t i) const;
};

// Receives the rows of streamResponse.
class ResponseSink {
  public:
    virtual void takeRow(const ResponseRow& row) = 0;

  protected:
    ResponseSink() = default;
    ResponseSink(const ResponseSink&) = default;
    ResponseSink& operator=(const ResponseSink&) = default;
    ~ResponseSink() = default;
};

// Computes the response of `design` at every frequency of `grid`.
//
// On the standard grid the levels are bit for bit those of the rows the program
// writes for the equivalent parameter file. Nothing is checked: a design that
// divides by zero gives levels of +-infinity or NaN where the program does.
// Reentrant: the library keeps no state between calls, so threads may compute
// responses at the same time.
Response computeResponse(const Design& design,
                         const FrequencyGrid& grid = FrequencyGrid::standard());

// The same rows, handed to `sink` one at a time in the grid's order, with nothing
// allocated while the model runs. The single-path models hand on each row as soon
// as it is computed; the rectangular model computes up to 81 frequencies at a time
// and hands on their rows once both sides of the baffle are summed (on the
// standard grid: all 81 rows at the end, as the program writes them).
void streamResponse(const Design& design, const FrequencyGrid& grid, ResponseSink& sink);

// The driver's second-order high-pass s^2 / (s^2 + s/Q + 1) at s = j f / fr, in
// double precision; its magnitude is the one the model takes (with |fr| and |Q|,
// as the model's magnitude does not depend on their signs). Not finite where
// resonanceHz or qualityFactor is 0.
std::complex<double> driverHighPass(const Design& design, double frequencyHz);

// The baffle's own response: `response` (of `design`, on either model) with the
// driver's high-pass divided out of its levels. Each level of a column that
// holds the driver (every kind but referenceLevel) becomes
// level - 20 log10 |driverHighPass(design, f)|, computed in double precision
// and rounded to a float once; the reference level stays as it is. The complex
// values are left as they are (the classic model's still hold the high-pass's
// magnitude, the accurate model's never did): their phase is the baffle's
// already, so that phaseDegrees with PhaseMode::baffle goes with these levels.
// A level is not finite where the high-pass is 0 or not finite (a resonance or
// Q of 0).
Response baffleOnlyResponse(Response response, const Design& design);

}  // namespace opbaff
