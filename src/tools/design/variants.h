// Designs that differ: the values a sweep gives fields of a base design, every
// combination of them, the names of compared files, and each design's response
// and figures of merit, computed in parallel.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "merit.h"
#include "model_choice.h"
#include "number_text.h"
#include "opbaff/design.h"
#include "opbaff/design_fields.h"
#include "opbaff/response.h"
#include "opbaff/result.h"

namespace opbaff::tools {

// The most designs one run evaluates.
inline constexpr std::size_t kMaxVariants = 100000;

// A field a sweep can vary: its short name, and the design's field, whose
// parameter file name a sweep takes as well.
struct SweepField {
    const char* name;  // "width"
    const DesignField* field;

    float Design::*member() const { return field->member; }
};

// In the order the help and the error messages list them.
inline constexpr std::array<SweepField, 10> kSweepFields{{
    {"height", &designFieldOf(&Design::baffleHeightCm)},
    {"width", &designFieldOf(&Design::baffleWidthCm)},
    {"x", &designFieldOf(&Design::driverXCm)},
    {"y", &designFieldOf(&Design::driverYCm)},
    {"diameter", &designFieldOf(&Design::driverDiameterCm)},
    {"round-diameter", &designFieldOf(&Design::roundBaffleDiameterCm)},
    {"angle", &designFieldOf(&Design::offAxisAngleDeg)},
    {"distance", &designFieldOf(&Design::listenerDistanceM)},
    {"resonance", &designFieldOf(&Design::resonanceHz)},
    {"q", &designFieldOf(&Design::qualityFactor)},
}};

// The short names in that order, separated by commas: "height, width, ..., q".
std::string sweepFieldNames();

// Every field of the design can be swept, each under one short name.
static_assert(std::all_of(kDesignFields.begin(), kDesignFields.end(), [](const DesignField& f) {
    return std::count_if(kSweepFields.begin(), kSweepFields.end(),
                         [&f](const SweepField& s) { return s.field == &f; }) == 1;
}));

// One NAME=FROM:TO:STEP: the field and its values, FROM:TO:STEP read as
// parseRange reads it (FROM and TO included within a millionth of a step, STEP
// negative when TO lies below FROM), at most kMaxVariants of them.
struct SweepSpec {
    const SweepField* field = nullptr;
    std::vector<float> values;
};

// Why the range after '=' of the sweep's `text` gives no values, in a sweep's
// words ("sweep 'width=a:2:1': FROM 'a' is not a finite number").
std::string rangeErrorText(std::string_view text, const RangeError& error);

// The field and its values, or a one-line reason why the text names none.
Result<SweepSpec, std::string> parseSweepSpec(std::string_view text);

// One design of a run.
struct Variant {
    std::string name;  // "width=70 height=100", or a compared file's name
    Design design;
    std::vector<float> values;  // a sweep's values of its fields, in the specs' order
    std::string source;         // where the design came from, for FRD comments
    std::size_t column = 0;     // the response column judged (0 to 3)
};

// The values of every combination of the lists, one value of each, the first
// list's value changing slowest. Errors: more than kMaxVariants combinations,
// counted as `things` ("designs").
Result<std::vector<std::vector<float>>, std::string> everyCombination(
    const std::vector<const std::vector<float>*>& lists, std::string_view things);

// Every combination of the specs' values on the base design, the first spec
// varying slowest; each variant's source is "<source> with <name>". Errors: a field named twice,
// more than kMaxVariants designs.
Result<std::vector<Variant>, std::string> sweepVariants(const Design& base,
                                                        const std::string& source,
                                                        const std::vector<SweepSpec>& specs);

// Names for the files of a comparison: each its file name, or as many trailing
// parts of its path as tell it from the others ("centred/Opbaffin.txt").
std::vector<std::string> distinctFileNames(const std::vector<std::string>& paths);

// The name in characters safe in a file name (the portable set: letters,
// digits, '.', '_', '-'): every other byte becomes '_', and so does a leading
// '.' or '-'. Never empty.
std::string fileSafeName(std::string_view name);

struct EvaluationSettings {
    FrequencyGrid grid = FrequencyGrid::standard();
    bool keepResponses = false;                 // keep each variant's judged column
    int jobs = 1;                               // threads computing responses
    std::function<void(std::size_t)> progress;  // designs done, as runParallel reports them
    ModelChoice model = ModelChoice::classic;   // the model that computes them
    DriverHighPass highPass = DriverHighPass::included;
    MeritBand band;  // the passband the figures of merit are measured against
};

struct VariantResult {
    FiguresOfMerit merit;
    // Empty, or why the figures may mean nothing: levels of the design's
    // response columns that are not finite (see nonFiniteNote).
    std::string note;
    // With keepResponses: the response, its judged column alone filled in.
    Response response;
};

// Each variant's response on the grid and the figures of merit of its column,
// in variant order. The results do not depend on the number of jobs.
std::vector<VariantResult> evaluateVariants(const std::vector<Variant>& variants,
                                            const EvaluationSettings& settings);

}  // namespace opbaff::tools
