#include "view/response_columns.h"

#include "view/parameter_text.h"

namespace opbaff::view {
namespace {

OutputColumn noPathColumn(const Design& p) {
    if (p.model == Model::singlePathHalfDelay) {
        return {3, "opbaff-no-path.frd",
                "front source delayed by half the rear path, plus the rear source, "
                "without a baffle",
                "Front (half delay) + rear, no baffle"};
    }
    return {3, "opbaff-no-path.frd", "front and rear sources added without any path",
            "Front + rear, no path"};
}

std::vector<OutputColumn> rectangularColumns(const Design& p) {
    const std::string size = shortNumber(p.baffleWidthCm) + " x " + shortNumber(p.baffleHeightCm);
    const std::string round = shortNumber(p.roundBaffleDiameterCm);
    const std::string angle = shortNumber(p.offAxisAngleDeg);
    return {
        {0, "opbaff-rectangular-on-axis.frd", "rectangular baffle " + size + " cm heard on axis",
         "Rectangular baffle, on axis"},
        {1, "opbaff-round-baffle-on-axis.frd",
         "round baffle of " + round + " cm diameter heard on axis, bare rear source",
         "Round baffle " + round + " cm, on axis"},
        {2, "opbaff-rectangular-off-axis.frd",
         "rectangular baffle " + size + " cm heard " + angle + " degrees off axis",
         "Rectangular baffle, " + angle + "\u00b0 off axis"},
        noPathColumn(p),
    };
}

std::vector<OutputColumn> singlePathColumns(const Design& p) {
    const std::string round = shortNumber(p.roundBaffleDiameterCm);
    return {
        {0, "opbaff-single-path-full-rear.frd",
         "round baffle of " + round + " cm diameter heard on axis, full rear source",
         "Round baffle " + round + " cm, full rear source"},
        {1, "opbaff-single-path-bare-rear.frd",
         "round baffle of " + round + " cm diameter heard on axis, bare rear source",
         "Round baffle " + round + " cm, bare rear source"},
        noPathColumn(p),
    };
}

}  // namespace

std::vector<OutputColumn> outputColumns(const Design& design) {
    return design.model == Model::rectangular ? rectangularColumns(design)
                                              : singlePathColumns(design);
}

}  // namespace opbaff::view
