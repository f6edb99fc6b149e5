#include "model_choice.h"

#include <limits>

#include "opbaff/design_plate.h"

namespace opbaff::tools {

namespace {

Result<Response, std::string> wholeResponseOn(ModelChoice model, const Design& design,
                                              const FrequencyGrid& grid) {
    if (model == ModelChoice::classic) return computeResponse(design, grid);
    auto response = computePlateResponse(design, grid);
    if (!response) return std::string("the accurate model: ") + plateErrorText(response.error());
    return std::move(*response);
}

}  // namespace

Result<Response, std::string> responseOn(ModelChoice model, const Design& design,
                                         const FrequencyGrid& grid, DriverHighPass highPass) {
    auto response = wholeResponseOn(model, design, grid);
    if (!response || highPass == DriverHighPass::included) return response;
    return baffleOnlyResponse(std::move(*response), design);
}

std::string highPassWords(DriverHighPass highPass) {
    return highPass == DriverHighPass::included
               ? std::string()
               : std::string("baffle only: the driver's high-pass is left out of the levels");
}

std::string highPassTitle(DriverHighPass highPass) {
    return highPass == DriverHighPass::included ? std::string() : std::string(" (baffle only)");
}

std::string modelChoiceWords(ModelChoice model) {
    return model == ModelChoice::classic
               ? std::string()
               : std::string("accurate model: a thin rigid plate, edge diffraction of every order");
}

Response responseWithoutLevels(const Design& design, const FrequencyGrid& grid) {
    Response response;
    response.model = design.model;
    response.frequenciesHz = grid.frequencies();
    const auto kinds = responseKinds(design.model);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        response.columns[k].kind = kinds[k];
        response.columns[k].levelsDb.assign(grid.size(), nan);
        response.columns[k].values.assign(grid.size(), {nan, nan});
    }
    return response;
}

}  // namespace opbaff::tools
