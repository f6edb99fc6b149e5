#include "studio_design_json.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <vector>

#include "opbaff/design_fields.h"

namespace opbaff::tools {
namespace {

// JSON whose numbers are floats: the parser reads each number with strtof, so
// a number is rounded to single precision once.
using SingleJson = nlohmann::basic_json<std::map, std::vector, std::string, bool, std::int64_t,
                                        std::uint64_t, float>;

constexpr std::array<const char*, 4> kChoiceFields{"model", "rearPhaseFactor", "pistonFactor",
                                                   "rearLevel"};

const char* onOff(bool on) {
    return on ? "on" : "off";
}

// The text after nlohmann's "[json.exception.parse_error.101] ".
std::string reasonOf(const SingleJson::exception& error) {
    const std::string text = error.what();
    const std::size_t end = text.find("] ");
    return end == std::string::npos ? text : text.substr(end + 2);
}

bool isField(const std::string& name) {
    return std::any_of(kDesignFields.begin(), kDesignFields.end(),
                       [&](const DesignField& f) { return name == f.name; }) ||
           std::any_of(kChoiceFields.begin(), kChoiceFields.end(),
                       [&](const char* f) { return name == f; });
}

// The index of the field's string among `choices`, or the reason there is none.
Result<std::size_t, std::string> choiceOf(const SingleJson& object, const char* name,
                                          const std::vector<const char*>& choices) {
    std::string list;
    for (std::size_t k = 0; k < choices.size(); ++k) {
        list += std::string(k == 0                    ? ""
                            : k + 1 == choices.size() ? " or "
                                                      : ", ") +
                '"' + choices[k] + '"';
    }
    const SingleJson& value = object.at(name);
    if (value.is_string()) {
        const auto& text = value.get_ref<const std::string&>();
        for (std::size_t k = 0; k < choices.size(); ++k) {
            if (text == choices[k]) return k;
        }
        return "field '" + std::string(name) + "' must be " + list + ", not \"" + text + '"';
    }
    return "field '" + std::string(name) + "' must be " + list + ", not " + value.type_name();
}

std::optional<std::string> readChoices(const SingleJson& object, Design& design) {
    const auto model =
        choiceOf(object, "model", {"rectangular", "single-path", "single-path-half-delay"});
    if (!model) return model.error();
    const std::array<Model, 3> models{Model::rectangular, Model::singlePath,
                                      Model::singlePathHalfDelay};
    design.model = models[*model];
    const auto rearPhase = choiceOf(object, "rearPhaseFactor", {"on", "off"});
    if (!rearPhase) return rearPhase.error();
    design.rearPhaseFactor = *rearPhase == 0 ? RearPhaseFactor::on : RearPhaseFactor::off;
    const auto piston = choiceOf(object, "pistonFactor", {"on", "off"});
    if (!piston) return piston.error();
    design.pistonFactor = *piston == 0 ? PistonFactor::on : PistonFactor::off;
    const auto rearLevel = choiceOf(object, "rearLevel", {"full", "half"});
    if (!rearLevel) return rearLevel.error();
    design.rearLevel = *rearLevel == 0 ? RearLevel::full : RearLevel::half;
    return std::nullopt;
}

std::optional<std::string> readNumbers(const SingleJson& object, Design& design) {
    for (const DesignField& field : kDesignFields) {
        const SingleJson& value = object.at(field.name);
        if (!value.is_number()) {
            return "field '" + std::string(field.name) + "' must be a number, not " +
                   value.type_name();
        }
        design.*field.member = value.get<float>();
    }
    return std::nullopt;
}

std::optional<std::string> checkNames(const SingleJson& object) {
    const auto items = object.items();
    const auto unknown = std::find_if(items.begin(), items.end(),
                                      [](const auto& member) { return !isField(member.key()); });
    if (unknown != items.end()) return "unknown field '" + unknown.key() + "'";
    for (const DesignField& field : kDesignFields) {
        if (!object.contains(field.name)) return "missing field '" + std::string(field.name) + "'";
    }
    for (const char* name : kChoiceFields) {
        if (!object.contains(name)) return "missing field '" + std::string(name) + "'";
    }
    return std::nullopt;
}

// The text parsed; a number too large for a float is put down to the member
// it stood in, a name given twice is refused.
Result<SingleJson, std::string> parseObject(std::string_view text) {
    std::string lastKey;
    std::set<std::string> keys;
    std::string repeated;
    const auto noteKey = [&](int depth, SingleJson::parse_event_t event, SingleJson& parsed) {
        if (depth == 1 && event == SingleJson::parse_event_t::key) {
            lastKey = parsed.get<std::string>();
            if (!keys.insert(lastKey).second && repeated.empty()) repeated = lastKey;
        }
        return true;
    };
    SingleJson object;
    try {
        object = SingleJson::parse(text, noteKey);
    } catch (const SingleJson::out_of_range& error) {
        return "field '" + lastKey + "': " + reasonOf(error);
    } catch (const SingleJson::exception& error) {
        return "malformed JSON: " + reasonOf(error);
    }
    if (!object.is_object()) {
        return std::string("the design must be a JSON object, not ") + object.type_name();
    }
    if (!repeated.empty()) return "field '" + repeated + "' given twice";
    return object;
}

}  // namespace

Result<Design, std::string> designFromJson(std::string_view text) {
    const auto object = parseObject(text);
    if (!object) return object.error();
    Design design;
    if (auto problem = checkNames(*object)) return *problem;
    if (auto problem = readChoices(*object, design)) return *problem;
    if (auto problem = readNumbers(*object, design)) return *problem;
    return design;
}

void writeDesign(JsonWriter& writer, const Design& design) {
    writer.beginObject();
    writer.key("model").value(modelName(design.model));
    for (const DesignField& field : kDesignFields) {
        writer.key(field.name).value(design.*field.member);
        if (field.member == &Design::listenerDistanceM) {
            writer.key("rearPhaseFactor")
                .value(onOff(design.rearPhaseFactor == RearPhaseFactor::on));
            writer.key("pistonFactor").value(onOff(design.pistonFactor == PistonFactor::on));
        } else if (field.member == &Design::roundBaffleDiameterCm) {
            writer.key("rearLevel").value(design.rearLevel == RearLevel::half ? "half" : "full");
        }
    }
    writer.endObject();
}

}  // namespace opbaff::tools
