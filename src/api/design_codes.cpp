#include "api/design_codes.h"

namespace opbaff {

Design designOf(const ParameterSet& p) {
    Design design;
    if (codeEquals(p.modelCode, makeCode("r")) || codeEquals(p.modelCode, makeCode("R"))) {
        design.model = Model::rectangular;
    } else if (codeEquals(p.modelCode, makeCode("u")) || codeEquals(p.modelCode, makeCode("U"))) {
        design.model = Model::singlePathHalfDelay;
    } else {
        design.model = Model::singlePath;
    }
    design.baffleHeightCm = p.baffleHeightCm;
    design.baffleWidthCm = p.baffleWidthCm;
    design.driverXCm = p.driverXCm;
    design.driverYCm = p.driverYCm;
    design.driverDiameterCm = p.driverDiameterCm;
    design.resonanceHz = p.resonanceHz;
    design.qualityFactor = p.qualityFactor;
    design.listenerDistanceM = p.listenerDistanceM;
    design.rearPhaseFactor =
        codeEquals(p.rearPhaseCode, makeCode("n")) ? RearPhaseFactor::off : RearPhaseFactor::on;
    design.pistonFactor =
        codeEquals(p.pistonCode, makeCode("y")) ? PistonFactor::on : PistonFactor::off;
    design.roundBaffleDiameterCm = p.roundBaffleDiameterCm;
    design.rearLevel =
        codeEquals(p.rearLevelCode, makeCode("d")) ? RearLevel::half : RearLevel::full;
    design.offAxisAngleDeg = p.offAxisAngleDeg;
    return design;
}

ParameterSet parameterSetOf(const Design& design, const RunConstants& constants) {
    ParameterSet p;
    p.modelCode = makeCode(modelCodeOf(design.model));
    p.baffleHeightCm = design.baffleHeightCm;
    p.baffleWidthCm = design.baffleWidthCm;
    p.driverXCm = design.driverXCm;
    p.driverYCm = design.driverYCm;
    p.driverDiameterCm = design.driverDiameterCm;
    p.resonanceHz = design.resonanceHz;
    p.qualityFactor = design.qualityFactor;
    p.listenerDistanceM = design.listenerDistanceM;
    p.rearPhaseCode = makeCode(rearPhaseCodeOf(design.rearPhaseFactor));
    p.pistonCode = makeCode(pistonCodeOf(design.pistonFactor));
    p.roundBaffleDiameterCm = design.roundBaffleDiameterCm;
    p.rearLevelCode = makeCode(rearLevelCodeOf(design.rearLevel));
    p.offAxisAngleDeg = design.offAxisAngleDeg;
    p.offAxisAngle = listeningAngleRadians(design.offAxisAngleDeg, constants.pi);
    return p;
}

const char* modelCodeOf(Model model) {
    switch (model) {
        case Model::rectangular:
            return "r";
        case Model::singlePathHalfDelay:
            return "u";
        case Model::singlePath:
            break;
    }
    return "s";
}

const char* rearPhaseCodeOf(RearPhaseFactor factor) {
    return factor == RearPhaseFactor::off ? "n" : "y";
}

const char* pistonCodeOf(PistonFactor factor) {
    return factor == PistonFactor::on ? "y" : "n";
}

const char* rearLevelCodeOf(RearLevel level) {
    return level == RearLevel::half ? "d" : "f";
}

const char* modelName(Model model) {
    switch (model) {
        case Model::rectangular:
            return "rectangular";
        case Model::singlePathHalfDelay:
            return "single-path-half-delay";
        case Model::singlePath:
            break;
    }
    return "single-path";
}

}  // namespace opbaff
