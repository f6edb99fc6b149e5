#include "speaker_sweep.h"

#include <algorithm>
#include <utility>

#include "number_text.h"
#include "opbaff/short_number.h"
#include "parallel.h"
#include "speaker_curves.h"
#include "variants.h"

namespace opbaff::tools {
namespace {

std::string specError(std::string_view text, const std::string& reason) {
    return "sweep '" + std::string(text) + "': " + reason;
}

std::string driverNames(const Speaker& speaker) {
    std::string names;
    for (const SpeakerDriver& driver : speaker.drivers) {
        names += (names.empty() ? "" : ", ") + driver.name;
    }
    return names;
}

const SpeakerSweepField* fieldNamed(std::string_view name, bool ofDriver) {
    const auto found = std::find_if(
        kSpeakerSweepFields.begin(), kSpeakerSweepFields.end(),
        [&](const SpeakerSweepField& f) { return f.ofDriver == ofDriver && name == f.name; });
    return found == kSpeakerSweepFields.end() ? nullptr : &*found;
}

// The field a name gives, with its driver: a speaker's field by its whole
// name, else "<driver>.<field>" split at its last '.' (a driver's name may
// hold dots).
Result<SpeakerSweepSpec, std::string> fieldOf(std::string_view text, std::string_view name,
                                              const Speaker& speaker) {
    if (const SpeakerSweepField* field = fieldNamed(name, false)) {
        return SpeakerSweepSpec{field, 0, std::string(name), {}};
    }
    const std::size_t dot = name.rfind('.');
    const SpeakerSweepField* field =
        dot == std::string_view::npos ? nullptr : fieldNamed(name.substr(dot + 1), true);
    if (field == nullptr) {
        return specError(text, "unknown field '" + std::string(name) +
                                   "' (fields: " + speakerSweepFieldNames() + ")");
    }
    const std::string_view driver = name.substr(0, dot);
    for (std::size_t i = 0; i < speaker.drivers.size(); ++i) {
        if (speaker.drivers[i].name == driver) {
            return SpeakerSweepSpec{field, i, std::string(name), {}};
        }
    }
    return specError(text, "the speaker has no driver '" + std::string(driver) +
                               "' (drivers: " + driverNames(speaker) + ")");
}

}  // namespace

std::string speakerSweepFieldNames() {
    std::string names;
    for (const SpeakerSweepField& field : kSpeakerSweepFields) {
        names += (names.empty() ? "" : ", ") + std::string(field.ofDriver ? "<driver>." : "") +
                 field.name;
    }
    return names;
}

Result<SpeakerSweepSpec, std::string> parseSpeakerSweepSpec(std::string_view text,
                                                            const Speaker& speaker) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return specError(text, "expected FIELD=FROM:TO:STEP");
    auto spec = fieldOf(text, text.substr(0, equals), speaker);
    if (!spec) return spec.error();
    if (speaker.baffle.isPolygon && spec->name.starts_with("baffle.")) {
        return specError(text, "the baffle is a polygon: it has no width, height or corners");
    }
    auto values = parseRange(text.substr(equals + 1), {.maxCount = kMaxVariants});
    if (!values) return rangeErrorText(text, values.error());
    spec->values = std::move(values).value();
    return spec;
}

Result<std::vector<SpeakerVariant>, std::string> speakerSweepVariants(
    const Speaker& base, const std::vector<SpeakerSweepSpec>& specs, double metresPerUnit) {
    std::vector<const std::vector<float>*> lists;
    for (std::size_t k = 0; k < specs.size(); ++k) {
        for (std::size_t j = 0; j < k; ++j) {
            if (specs[j].name == specs[k].name) return specs[k].name + " is swept twice";
        }
        lists.push_back(&specs[k].values);
    }
    auto combinations = everyCombination(lists, "speakers");
    if (!combinations) return combinations.error();
    const bool samePlate = std::none_of(specs.begin(), specs.end(), [](const auto& spec) {
        return std::string_view(spec.field->name).starts_with("baffle.");
    });
    std::vector<SpeakerVariant> variants(combinations->size());
    for (std::size_t v = 0; v < variants.size(); ++v) {
        SpeakerVariant& variant = variants[v];
        variant.speaker = base;
        variant.values = std::move((*combinations)[v]);
        variant.samePlate = samePlate;
        for (std::size_t k = 0; k < specs.size(); ++k) {
            const double scale = specs[k].field->length ? metresPerUnit : 1.0;
            specs[k].field->set(variant.speaker, specs[k].driver, variant.values[k] * scale);
            if (k > 0) variant.name += ' ';
            variant.name.append(specs[k].name).append("=").append(shortNumber(variant.values[k]));
        }
    }
    return variants;
}

namespace {

// The first variant's model that builds, with its index; those before it get
// their reason as a note.
std::optional<std::pair<SpeakerModel, std::size_t>> firstModel(
    const std::vector<SpeakerVariant>& variants, std::vector<SpeakerVariantResult>& results) {
    for (std::size_t i = 0; i < variants.size(); ++i) {
        auto model = speakerModelOnItsGrid(variants[i].speaker);
        if (model) return std::pair{std::move(model).value(), i};
        results[i].note = model.error();
    }
    return std::nullopt;
}

void judge(const Result<SpeakerModel, std::string>& model, const MeritBand& band,
           SpeakerVariantResult& result) {
    const auto heard =
        model ? speakerOnAxis(*model) : Result<SpeakerResponse, std::string>(model.error());
    if (!heard) {
        result.note = heard.error();
        return;
    }
    result.frequenciesHz = heard->frequenciesHz;
    result.sum = heard->sum;
    result.sumDb = levelsDbOf(heard->sum);
    result.merit = figuresOfMerit(result.frequenciesHz, result.sumDb, band);
}

}  // namespace

std::vector<SpeakerVariantResult> evaluateSpeakerVariants(
    const std::vector<SpeakerVariant>& variants, const MeritBand& band, int jobs,
    const std::function<void(std::size_t)>& progress) {
    std::vector<SpeakerVariantResult> results(variants.size());
    const bool samePlate =
        variants.size() > 1 && std::all_of(variants.begin(), variants.end(),
                                           [](const SpeakerVariant& v) { return v.samePlate; });
    if (!samePlate) {
        runParallel(
            variants.size(), jobs,
            [&](std::size_t i) {
                judge(speakerModelOnItsGrid(variants[i].speaker), band, results[i]);
            },
            progress);
        return results;
    }
    // One model solved whole; every other variant is made from its own copy
    // of it, solving again only the drivers it moves.
    const auto first = firstModel(variants, results);
    runParallel(
        variants.size(), jobs,
        [&](std::size_t i) {
            if (!first || i < first->second) return;  // noted already
            const SpeakerModel base = first->first;
            if (i == first->second) return judge(base, band, results[i]);
            const Speaker& speaker = variants[i].speaker;
            auto model = base.withSpeaker(speaker);
            if (!model && model.error().error == SpeakerError::otherPlate) {
                return judge(speakerModelOnItsGrid(speaker), band, results[i]);
            }
            judge(model ? Result<SpeakerModel, std::string>(std::move(model).value())
                        : Result<SpeakerModel, std::string>(
                              speakerFailureText(speaker, model.error())),
                  band, results[i]);
        },
        progress);
    return results;
}

}  // namespace opbaff::tools
