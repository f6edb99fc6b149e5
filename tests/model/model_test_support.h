// Parameter sets and sinks shared by the model tests.
#pragma once

#include <string>
#include <vector>

#include "model/baffle_model.h"

namespace opbaff::test {

struct CollectingSink final : RowSink {
    std::vector<ModelRow> rows;
    void takeRow(const ModelRow& row) override { rows.push_back(row); }
};

// A 60 x 100 cm baffle, 20 cm driver off centre, listener at 2 m, 30 degrees.
inline ParameterSet exampleParameters(const char* model = "r") {
    ParameterSet p;
    p.modelCode = makeCode(model);
    p.baffleHeightCm = 100.0F;
    p.baffleWidthCm = 60.0F;
    p.driverXCm = 22.0F;
    p.driverYCm = 70.0F;
    p.driverDiameterCm = 20.0F;
    p.resonanceHz = 40.0F;
    p.qualityFactor = 0.7F;
    p.listenerDistanceM = 2.0F;
    p.rearPhaseCode = makeCode("x");
    p.pistonCode = makeCode("y");
    p.roundBaffleDiameterCm = 60.0F;
    p.rearLevelCode = makeCode("x");
    p.offAxisAngleDeg = 30.0F;
    return p;
}

inline std::vector<ModelRow> runModel(ParameterSet p) {
    const RunConstants constants = makeRunConstants();
    p.offAxisAngle = listeningAngleRadians(p.offAxisAngleDeg, constants.pi);
    CollectingSink sink;
    runSelectedModel(p, constants, buildSourceSpectra(p, constants, standardFrequencyGrid()), sink);
    return sink.rows;
}

}  // namespace opbaff::test
