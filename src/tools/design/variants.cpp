#include "variants.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <numeric>
#include <utility>

#include "level_warnings.h"
#include "number_text.h"
#include "parallel.h"
#include "response_columns.h"
#include "words.h"

namespace opbaff::tools {
namespace {

std::string specError(std::string_view text, const std::string& reason) {
    return "sweep '" + std::string(text) + "': " + reason;
}

const SweepField* fieldNamed(std::string_view name) {
    const auto found =
        std::find_if(kSweepFields.begin(), kSweepFields.end(),
                     [&](const SweepField& f) { return name == f.name || name == f.field->name; });
    return found == kSweepFields.end() ? nullptr : &*found;
}

// The last `parts` parts of a path, or the whole path if it has no more.
std::string trailingParts(std::string_view path, std::size_t parts) {
    std::size_t start = path.size();
    for (std::size_t k = 0; k < parts; ++k) {
        const std::size_t slash = start == 0 ? std::string_view::npos : path.rfind('/', start - 1);
        if (slash == std::string_view::npos) return std::string(path);
        start = slash;
    }
    return std::string(path.substr(start + 1));
}

// The columns that hold responses in the design's model.
std::vector<std::size_t> columnIndices(const Design& design) {
    std::vector<std::size_t> indices;
    for (const OutputColumn& column : outputColumns(design)) indices.push_back(column.index);
    return indices;
}

// The response with only the judged column left, to keep memory small.
Response judgedColumnOnly(Response response, std::size_t column) {
    for (std::size_t k = 0; k < response.columns.size(); ++k) {
        if (k != column) response.columns[k] = ResponseColumn{response.columns[k].kind, {}, {}};
    }
    return response;
}

}  // namespace

std::string rangeErrorText(std::string_view text, const RangeError& error) {
    static constexpr std::array<const char*, 3> kParts = {"FROM", "TO", "STEP"};
    const std::string part = std::string(kParts[error.part]) + " '" + std::string(error.text) + "'";
    switch (error.problem) {
        case RangeProblem::notThreeParts:
            break;
        case RangeProblem::notANumber:
            return specError(text, part + " is not a finite number");
        case RangeProblem::outsideLimits:
            return specError(text, part + " lies beyond single precision");
        case RangeProblem::zeroStep:
            return specError(text, "STEP must not be 0");
        case RangeProblem::awayFromTo:
            return specError(text, "STEP leads away from TO");
        case RangeProblem::tooManyValues:
            return specError(text, "more than " + std::to_string(kMaxVariants) + " values");
        case RangeProblem::finerThanFloat:
            return specError(text, "STEP is finer than single precision holds");
    }
    return specError(text, "expected NAME=FROM:TO:STEP");
}

std::string sweepFieldNames() {
    std::string names;
    for (const SweepField& field : kSweepFields) {
        names += (names.empty() ? "" : ", ") + std::string(field.name);
    }
    return names;
}

Result<SweepSpec, std::string> parseSweepSpec(std::string_view text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return specError(text, "expected NAME=FROM:TO:STEP");
    const std::string_view name = text.substr(0, equals);
    const SweepField* field = fieldNamed(name);
    if (field == nullptr) {
        return specError(text, "unknown name '" + std::string(name) + "' (names: " +
                                   sweepFieldNames() + ", or the parameter file's names)");
    }
    auto values = parseRange(text.substr(equals + 1), {.maxCount = kMaxVariants});
    if (!values) return rangeErrorText(text, values.error());
    return SweepSpec{field, std::move(values).value()};
}

Result<std::vector<std::vector<float>>, std::string> everyCombination(
    const std::vector<const std::vector<float>*>& lists, std::string_view things) {
    const double total = std::accumulate(lists.begin(), lists.end(), 1.0,
                                         [](double product, const std::vector<float>* values) {
                                             return product * static_cast<double>(values->size());
                                         });
    if (total > static_cast<double>(kMaxVariants)) {
        std::array<char, 32> count{};
        std::snprintf(count.data(), count.size(), "%.0f", total);
        return "the sweep gives " + std::string(count.data()) + " " + std::string(things) +
               ", more than the limit of " + std::to_string(kMaxVariants);
    }
    std::vector<std::vector<float>> combinations(static_cast<std::size_t>(total),
                                                 std::vector<float>(lists.size()));
    for (std::size_t c = 0; c < combinations.size(); ++c) {
        std::size_t rest = c;  // c in mixed radix, the last list's digit lowest
        for (std::size_t k = lists.size(); k-- > 0;) {
            combinations[c][k] = (*lists[k])[rest % lists[k]->size()];
            rest /= lists[k]->size();
        }
    }
    return combinations;
}

Result<std::vector<Variant>, std::string> sweepVariants(const Design& base,
                                                        const std::string& source,
                                                        const std::vector<SweepSpec>& specs) {
    std::vector<const std::vector<float>*> lists;
    for (std::size_t k = 0; k < specs.size(); ++k) {
        for (std::size_t j = 0; j < k; ++j) {
            if (specs[j].field == specs[k].field) {
                return std::string(specs[k].field->name) + " is swept twice";
            }
        }
        lists.push_back(&specs[k].values);
    }
    auto combinations = everyCombination(lists, "designs");
    if (!combinations) return combinations.error();
    std::vector<Variant> variants(combinations->size());
    for (std::size_t v = 0; v < variants.size(); ++v) {
        Variant& variant = variants[v];
        variant.design = base;
        variant.values = std::move((*combinations)[v]);
        for (std::size_t k = 0; k < specs.size(); ++k) {
            variant.design.*(specs[k].field->member()) = variant.values[k];
            if (k > 0) variant.name += ' ';
            variant.name.append(specs[k].field->name)
                .append("=")
                .append(shortNumber(variant.values[k]));
        }
        variant.source = source + " with " + variant.name;
    }
    return variants;
}

std::vector<std::string> distinctFileNames(const std::vector<std::string>& paths) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        std::string name;
        for (std::size_t parts = 1;; ++parts) {
            name = trailingParts(paths[i], parts);
            bool shared = false;
            for (std::size_t j = 0; j < paths.size() && !shared; ++j) {
                shared = j != i && trailingParts(paths[j], parts) == name;
            }
            if (!shared || name == paths[i]) break;
        }
        names.push_back(name);
    }
    return names;
}

std::string fileSafeName(std::string_view name) {
    std::string safe(name.empty() ? "variant" : name);
    for (char& c : safe) {
        const bool portable = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                              (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!portable) c = '_';
    }
    if (safe.front() == '.' || safe.front() == '-') safe.front() = '_';
    return safe;
}

std::vector<VariantResult> evaluateVariants(const std::vector<Variant>& variants,
                                            const EvaluationSettings& settings) {
    std::vector<VariantResult> results(variants.size());
    const auto work = [&](std::size_t i) {
        const Variant& variant = variants[i];
        auto computed =
            responseOn(settings.model, variant.design, settings.grid, settings.highPass);
        Response response =
            computed ? std::move(*computed) : responseWithoutLevels(variant.design, settings.grid);
        results[i].merit = figuresOfMerit(response.frequenciesHz,
                                          response.columns[variant.column].levelsDb, settings.band);
        results[i].note =
            computed
                ? levelWarning(response, columnIndices(variant.design), variant.design).value_or("")
                : computed.error();
        if (settings.keepResponses) {
            results[i].response = judgedColumnOnly(std::move(response), variant.column);
        }
    };
    runParallel(variants.size(), settings.jobs, work, settings.progress);
    return results;
}

}  // namespace opbaff::tools
