// The models run in fixed-size storage: nothing is allocated while they run.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "model/baffle_model.h"
#include "model_test_support.h"
#include "opbaff/response.h"

namespace {
std::atomic<long> allocations{0};
}

// The replacement pair below allocates with malloc and frees with free, which
// GCC cannot see through once inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace opbaff {
namespace {

struct DiscardingSink final : RowSink {
    int rows = 0;
    void takeRow(const ModelRow&) override { ++rows; }
};

TEST(ModelStorage, NothingIsAllocatedWhileAModelRuns) {
    for (const char* model : {"r", "x", "u"}) {
        ParameterSet p = test::exampleParameters(model);
        const RunConstants constants = makeRunConstants();
        p.offAxisAngle = listeningAngleRadians(p.offAxisAngleDeg, constants.pi);
        DiscardingSink sink;
        const long before = allocations;
        runSelectedModel(p, constants, buildSourceSpectra(p, constants, standardFrequencyGrid()),
                         sink);
        EXPECT_EQ(allocations - before, 0) << model;
        EXPECT_EQ(sink.rows, 81);
    }
}

struct CountingSink final : ResponseSink {
    int rows = 0;
    void takeRow(const ResponseRow&) override { ++rows; }
};

// The program's way through the public API: the grid is made before the run.
TEST(ModelStorage, StreamingTheStandardGridAllocatesNothing) {
    for (const Model model : {Model::rectangular, Model::singlePath, Model::singlePathHalfDelay}) {
        Design design;
        design.model = model;
        const FrequencyGrid grid = FrequencyGrid::standard();
        CountingSink sink;
        const long before = allocations;
        streamResponse(design, grid, sink);
        EXPECT_EQ(allocations - before, 0) << modelName(model);
        EXPECT_EQ(sink.rows, 81);
    }
}

}  // namespace
}  // namespace opbaff
