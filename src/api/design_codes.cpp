#include "api/design_codes.h"

#include "format/parameter_reader.h"
#include "opbaff/design_fields.h"

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
    for (const DesignField& field : kDesignFields) {
        design.*field.member = p.*numberSlotOfRecord(field.record);
    }
    design.rearPhaseFactor =
        codeEquals(p.rearPhaseCode, makeCode("n")) ? RearPhaseFactor::off : RearPhaseFactor::on;
    design.pistonFactor =
        codeEquals(p.pistonCode, makeCode("y")) ? PistonFactor::on : PistonFactor::off;
    design.rearLevel =
        codeEquals(p.rearLevelCode, makeCode("d")) ? RearLevel::half : RearLevel::full;
    return design;
}

ParameterSet parameterSetOf(const Design& design, const RunConstants& constants) {
    ParameterSet p;
    p.modelCode = makeCode(modelCodeOf(design.model));
    for (const DesignField& field : kDesignFields) {
        p.*numberSlotOfRecord(field.record) = design.*field.member;
    }
    p.rearPhaseCode = makeCode(rearPhaseCodeOf(design.rearPhaseFactor));
    p.pistonCode = makeCode(pistonCodeOf(design.pistonFactor));
    p.rearLevelCode = makeCode(rearLevelCodeOf(design.rearLevel));
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
