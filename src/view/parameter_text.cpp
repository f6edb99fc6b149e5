#include "view/parameter_text.h"

#include <charconv>
#include <iterator>

#include "model/baffle_model.h"

namespace opbaff::view {
namespace {

std::string quotedCode(const Code& code) {
    std::string text(1, '\'');
    text.append(printableAscii(std::string(code.begin(), code.end())));
    text.push_back('\'');
    return text;
}

std::string realLine(const char* name, Real value) {
    return std::string(name) + " " + shortNumber(value);
}

std::string codeLine(const char* name, const Code& code) {
    return std::string(name) + " " + quotedCode(code);
}

}  // namespace

std::string printableAscii(std::string text) {
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7e) c = '?';
    }
    return text;
}

bool isHalfDelayVariant(const ParameterSet& parameters) {
    return !isRectangularModel(parameters) && (codeEquals(parameters.modelCode, makeCode("u")) ||
                                               codeEquals(parameters.modelCode, makeCode("U")));
}

std::string shortNumber(Real value) {
    char text[32];
    const std::to_chars_result end = std::to_chars(std::begin(text), std::end(text), value);
    return {std::begin(text), end.ptr};
}

std::string modelName(const ParameterSet& parameters) {
    if (isRectangularModel(parameters)) return "rectangular baffle";
    if (isHalfDelayVariant(parameters)) return "single-path model, half-delay variant";
    return "single-path model";
}

std::vector<std::string> parameterLines(const ParameterSet& p) {
    return {
        realLine("headerValue", p.headerValue),
        codeLine("modelCode", p.modelCode),
        realLine("baffleHeightCm", p.baffleHeightCm),
        realLine("baffleWidthCm", p.baffleWidthCm),
        realLine("driverXCm", p.driverXCm),
        realLine("driverYCm", p.driverYCm),
        realLine("driverDiameterCm", p.driverDiameterCm),
        realLine("resonanceHz", p.resonanceHz),
        realLine("qualityFactor", p.qualityFactor),
        realLine("listenerDistanceM", p.listenerDistanceM),
        codeLine("rearPhaseCode", p.rearPhaseCode),
        codeLine("pistonCode", p.pistonCode),
        realLine("roundBaffleDiameterCm", p.roundBaffleDiameterCm),
        codeLine("rearLevelCode", p.rearLevelCode),
        realLine("offAxisAngleDeg", p.offAxisAngleDeg),
    };
}

std::string plotTitle(const ParameterSet& p) {
    const std::string listener = "listener " + shortNumber(p.listenerDistanceM) + " m";
    if (isRectangularModel(p)) {
        return "Rectangular baffle " + shortNumber(p.baffleWidthCm) + " \u00d7 " +
               shortNumber(p.baffleHeightCm) + " cm, " + listener + ", " +
               shortNumber(p.offAxisAngleDeg) + "\u00b0 off axis";
    }
    std::string title = "Single-path model";
    if (isHalfDelayVariant(p)) title += " (half delay)";
    return title + ": round baffle " + shortNumber(p.roundBaffleDiameterCm) + " cm, " + listener +
           " on axis";
}

}  // namespace opbaff::view
