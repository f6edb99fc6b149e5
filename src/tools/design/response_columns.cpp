#include "response_columns.h"

#include <algorithm>
#include <iterator>

#include "number_text.h"
#include "opbaff/design_fields.h"
#include "opbaff/response.h"
#include "words.h"

namespace opbaff::tools {
namespace {

std::string fileNameOf(ResponseKind kind) {
    return std::string("opbaff-") + responseName(kind) + ".frd";
}

constexpr ColumnLabel kRectangularLabels[] = {
    {0, ResponseKind::rectangularOnAxis, "Rectangular baffle, on axis"},
    {1, ResponseKind::roundBaffleOnAxis, "Round baffle {roundBaffleDiameterCm} cm, on axis"},
    {2, ResponseKind::rectangularOffAxis, "Rectangular baffle, {offAxisAngleDeg}\u00b0 off axis"},
    {3, ResponseKind::noPath, "Front + rear, no path"},
};

constexpr ColumnLabel kSinglePathLabels[] = {
    {0, ResponseKind::singlePathFullRear,
     "Round baffle {roundBaffleDiameterCm} cm, full rear source"},
    {1, ResponseKind::singlePathBareRear,
     "Round baffle {roundBaffleDiameterCm} cm, bare rear source"},
    {3, ResponseKind::noPath, "Front + rear, no path"},
};

constexpr const char* kHalfDelayNoPathLabel = "Front (half delay) + rear, no baffle";

std::string labelOf(const Design& design, std::size_t index) {
    for (const ColumnLabel& column : columnLabels(design.model)) {
        if (column.index == index) return filledLabel(column.label, design);
    }
    return {};
}

OutputColumn noPathColumn(const Design& p) {
    if (p.model == Model::singlePathHalfDelay) {
        return {3, fileNameOf(ResponseKind::noPath),
                "front source delayed by half the rear path, plus the rear source, "
                "without a baffle",
                labelOf(p, 3)};
    }
    return {3, fileNameOf(ResponseKind::noPath), "front and rear sources added without any path",
            labelOf(p, 3)};
}

std::vector<OutputColumn> rectangularColumns(const Design& p) {
    const std::string size = shortNumber(p.baffleWidthCm) + " x " + shortNumber(p.baffleHeightCm);
    const std::string round = shortNumber(p.roundBaffleDiameterCm);
    const std::string angle = shortNumber(p.offAxisAngleDeg);
    return {
        {0, fileNameOf(ResponseKind::rectangularOnAxis),
         "rectangular baffle " + size + " cm heard on axis", labelOf(p, 0)},
        {1, fileNameOf(ResponseKind::roundBaffleOnAxis),
         "round baffle of " + round + " cm diameter heard on axis, bare rear source",
         labelOf(p, 1)},
        {2, fileNameOf(ResponseKind::rectangularOffAxis),
         "rectangular baffle " + size + " cm heard " + angle + " degrees off axis", labelOf(p, 2)},
        noPathColumn(p),
    };
}

std::vector<OutputColumn> singlePathColumns(const Design& p) {
    const std::string round = shortNumber(p.roundBaffleDiameterCm);
    return {
        {0, fileNameOf(ResponseKind::singlePathFullRear),
         "round baffle of " + round + " cm diameter heard on axis, full rear source",
         labelOf(p, 0)},
        {1, fileNameOf(ResponseKind::singlePathBareRear),
         "round baffle of " + round + " cm diameter heard on axis, bare rear source",
         labelOf(p, 1)},
        noPathColumn(p),
    };
}

}  // namespace

std::vector<ColumnLabel> columnLabels(Model model) {
    if (model == Model::rectangular) {
        return {std::begin(kRectangularLabels), std::end(kRectangularLabels)};
    }
    std::vector<ColumnLabel> labels(std::begin(kSinglePathLabels), std::end(kSinglePathLabels));
    if (model == Model::singlePathHalfDelay) labels.back().label = kHalfDelayNoPathLabel;
    return labels;
}

std::string filledLabel(std::string_view label, const Design& design) {
    std::string text;
    while (!label.empty()) {
        const std::size_t open = label.find('{');
        const std::size_t close = label.find('}', open);
        if (open == std::string_view::npos || close == std::string_view::npos) break;
        text.append(label.substr(0, open));
        const std::string_view name = label.substr(open + 1, close - open - 1);
        const auto* field = std::find_if(kDesignFields.begin(), kDesignFields.end(),
                                         [&](const DesignField& f) { return name == f.name; });
        text += field == kDesignFields.end() ? std::string(label.substr(open, close - open + 1))
                                             : shortNumber(design.*field->member);
        label.remove_prefix(close + 1);
    }
    return text.append(label);
}

std::vector<OutputColumn> outputColumns(const Design& design) {
    return design.model == Model::rectangular ? rectangularColumns(design)
                                              : singlePathColumns(design);
}

Result<std::size_t, std::string> columnByName(Model model, std::string_view name) {
    const std::array<ResponseKind, 4> kinds = responseKinds(model);
    const std::size_t number = parseNumber<std::size_t>(name).value_or(0);
    std::size_t index = 4;
    if (number >= 1 && number <= 4) {
        index = number - 1;
    } else if (name == "on-axis") {
        index = 0;
    } else if (name == "round-baffle" && model == Model::rectangular) {
        index = 1;
    } else if (name == "off-axis" && model == Model::rectangular) {
        index = 2;
    } else {
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            if (name == responseName(kinds[k])) index = k;
        }
    }
    if (index < 4 && kinds[index] != ResponseKind::referenceLevel) return index;
    std::string known;
    for (const ResponseKind kind : kinds) {
        if (kind != ResponseKind::referenceLevel) known += std::string(" ") + responseName(kind);
    }
    return "no response column '" + std::string(name) + "' in the " + modelWords(model) +
           " (columns:" + known + ")";
}

Result<std::vector<OutputColumn>, std::string> selectColumns(const Design& design,
                                                             std::string_view list) {
    const std::vector<OutputColumn> all = outputColumns(design);
    if (list.empty()) return all;
    std::vector<OutputColumn> chosen;
    while (true) {
        const std::size_t comma = list.find(',');
        const auto index = columnByName(design.model, list.substr(0, comma));
        if (!index) return index.error();
        chosen.push_back(*std::find_if(all.begin(), all.end(),
                                       [&](const OutputColumn& c) { return c.index == *index; }));
        if (comma == std::string_view::npos) return chosen;
        list.remove_prefix(comma + 1);
    }
}

}  // namespace opbaff::tools
