#include "tools/words.h"

#include <charconv>
#include <iterator>

namespace opbaff::tools {

std::string printableAscii(std::string text) {
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7e) c = '?';
    }
    return text;
}

std::string shortNumber(float value) {
    char text[32];
    const std::to_chars_result end = std::to_chars(std::begin(text), std::end(text), value);
    return {std::begin(text), end.ptr};
}

std::string modelWords(Model model) {
    switch (model) {
        case Model::rectangular:
            return "rectangular baffle";
        case Model::singlePathHalfDelay:
            return "single-path model, half-delay variant";
        case Model::singlePath:
            break;
    }
    return "single-path model";
}

std::vector<std::string> designLines(const Design& d) {
    const auto line = [](const char* name, float value) {
        return std::string(name) + " " + shortNumber(value);
    };
    const auto onOff = [](bool on) { return on ? std::string("on") : std::string("off"); };
    return {
        std::string("model ") + modelName(d.model),
        line("baffleHeightCm", d.baffleHeightCm),
        line("baffleWidthCm", d.baffleWidthCm),
        line("driverXCm", d.driverXCm),
        line("driverYCm", d.driverYCm),
        line("driverDiameterCm", d.driverDiameterCm),
        line("resonanceHz", d.resonanceHz),
        line("qualityFactor", d.qualityFactor),
        line("listenerDistanceM", d.listenerDistanceM),
        "rearPhaseFactor " + onOff(d.rearPhaseFactor == RearPhaseFactor::on),
        "pistonFactor " + onOff(d.pistonFactor == PistonFactor::on),
        line("roundBaffleDiameterCm", d.roundBaffleDiameterCm),
        std::string("rearLevel ") + (d.rearLevel == RearLevel::half ? "half" : "full"),
        line("offAxisAngleDeg", d.offAxisAngleDeg),
    };
}

std::string plotTitle(const Design& d) {
    const std::string listener = "listener " + shortNumber(d.listenerDistanceM) + " m";
    if (d.model == Model::rectangular) {
        return "Rectangular baffle " + shortNumber(d.baffleWidthCm) + " \u00d7 " +
               shortNumber(d.baffleHeightCm) + " cm, " + listener + ", " +
               shortNumber(d.offAxisAngleDeg) + "\u00b0 off axis";
    }
    std::string title = "Single-path model";
    if (d.model == Model::singlePathHalfDelay) title += " (half delay)";
    return title + ": round baffle " + shortNumber(d.roundBaffleDiameterCm) + " cm, " + listener +
           " on axis";
}

}  // namespace opbaff::tools
