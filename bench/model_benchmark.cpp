// Cost of the model's parts, and the floor a rectangular evaluation is held
// against: the complex exponentials of its rear paths alone.
#include <benchmark/benchmark.h>

#include <cmath>

#include "model/baffle_model.h"
#include "model/edge_geometry.h"
#include "model/edge_summation.h"
#include "model/path_delay.h"
#include "model_test_support.h"

namespace opbaff {
namespace {

struct DiscardingSink final : RowSink {
    void takeRow(const ModelRow& row) override { benchmark::DoNotOptimize(row); }
};

ParameterSet exampleParameters(const char* model) {
    ParameterSet p = test::exampleParameters(model);
    p.offAxisAngle = listeningAngleRadians(p.offAxisAngleDeg, makeRunConstants().pi);
    return p;
}

void BM_BuildSourceSpectra(benchmark::State& state) {
    const ParameterSet p = exampleParameters("r");
    const RunConstants constants = makeRunConstants();
    for (auto _ : state)
        benchmark::DoNotOptimize(buildSourceSpectra(p, constants, standardFrequencyGrid()));
}
BENCHMARK(BM_BuildSourceSpectra);

void runModelBenchmark(benchmark::State& state, const char* model) {
    const ParameterSet p = exampleParameters(model);
    const RunConstants constants = makeRunConstants();
    const SourceSpectra spectra = buildSourceSpectra(p, constants, standardFrequencyGrid());
    DiscardingSink sink;
    for (auto _ : state) runSelectedModel(p, constants, spectra, sink);
}

void BM_SinglePathModel(benchmark::State& state) {
    runModelBenchmark(state, "x");
}
BENCHMARK(BM_SinglePathModel);

void BM_RectangularModel(benchmark::State& state) {
    runModelBenchmark(state, "r");
}
BENCHMARK(BM_RectangularModel);

// The floor: cos and sin of the same 81 x 2 x 101 x 3 phases, and nothing else.
void BM_RectangularFloorSincos(benchmark::State& state) {
    const ParameterSet p = exampleParameters("r");
    const RunConstants constants = makeRunConstants();
    const SourceSpectra spectra = buildSourceSpectra(p, constants, standardFrequencyGrid());
    const EdgeDirections directions = buildEdgeDirections(p, constants.pi);
    static Real phases[2][kFrequencyCount][kEdgePointCount][3];
    for (int s = 0; s < 2; ++s) {
        SideGeometry side;
        const Real distance = s == 0 ? p.baffleWidthCm - p.driverXCm : p.driverXCm;
        computeSideGeometry(p, directions, distance, s == 0 ? p.offAxisAngle : -p.offAxisAngle,
                            side);
        for (int i = 0; i < kFrequencyCount; ++i) {
            const Real omega = angularFrequency(spectra.frequency[i], constants.pi);
            for (int j = 0; j < kEdgePointCount; ++j) {
                phases[s][i][j][0] = pathPhase(omega, side.pathDifference[j], constants.soundSpeed);
                phases[s][i][j][1] =
                    pathPhase(omega, side.roundPathDifference[j], constants.soundSpeed);
                phases[s][i][j][2] =
                    pathPhase(omega, side.offAxisPathDifference[j], constants.soundSpeed);
            }
        }
    }
    const Real* all = &phases[0][0][0][0];
    const int count = 2 * kFrequencyCount * kEdgePointCount * 3;
    for (auto _ : state) {
        for (int k = 0; k < count; ++k) {
            double sine = 0.0;
            double cosine = 0.0;
            ::sincos(static_cast<double>(all[k]), &sine, &cosine);
            benchmark::DoNotOptimize(sine);
            benchmark::DoNotOptimize(cosine);
        }
    }
    state.counters["exponentials"] = count;
}
BENCHMARK(BM_RectangularFloorSincos);

}  // namespace
}  // namespace opbaff

BENCHMARK_MAIN();
