// Every reference case through the public API: the levels are the program's,
// byte for byte once printed; the complex values carry those levels, and their
// phases agree with an independent double-precision computation.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "library_test_support.h"
#include "reference_model.h"

namespace opbaff {
namespace {

class ReferenceCaseTest : public testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        auto file = readParameterFile(test::referenceCaseFile(GetParam(), "Opbaffin.txt"));
        ASSERT_TRUE(file) << file.error().message();
        design_ = file->design;
        response_ = computeResponse(design_);
    }
    Design design_;
    Response response_;
};

// Collects what streamResponse hands on.
struct RowCollector final : ResponseSink {
    std::vector<ResponseRow> rows;
    void takeRow(const ResponseRow& row) override { rows.push_back(row); }
};

TEST_P(ReferenceCaseTest, RowsAreTheResultFileByteForByte) {
    EXPECT_EQ(test::resultFileBytes(response_),
              test::readFile(test::referenceCaseFile(GetParam(), "OPBAFF.bds")));

    RowCollector streamed;
    streamResponse(design_, FrequencyGrid::standard(), streamed);
    ASSERT_EQ(streamed.rows.size(), kStandardGridSize);
    for (std::size_t i = 0; i < streamed.rows.size(); ++i) {
        EXPECT_EQ(streamed.rows[i].frequencyHz, response_.frequenciesHz[i]);
        for (std::size_t k = 0; k < 4; ++k) {
            EXPECT_EQ(streamed.rows[i].levelsDb[k], response_.columns[k].levelsDb[i]);
            EXPECT_EQ(streamed.rows[i].values[k], response_.columns[k].values[i]);
        }
    }
}

TEST_P(ReferenceCaseTest, ColumnsAreNamedForTheModel) {
    const std::array<ResponseKind, 4> kinds = responseKinds(design_.model);
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(response_.columns[k].kind, kinds[k]);
        EXPECT_EQ(response_.column(kinds[k]), &response_.columns[k]);
    }
    EXPECT_EQ(
        response_.column(design_.model == Model::rectangular ? ResponseKind::singlePathFullRear
                                                             : ResponseKind::rectangularOnAxis),
        nullptr);
}

// 20 log10 |value| is the level, up to the rounding of the model's steps; the
// no-path column adds its floor of 1e-5 to the magnitude first.
TEST_P(ReferenceCaseTest, ValuesCarryTheLevels) {
    for (std::size_t k = 0; k < 4; ++k) {
        const ResponseColumn& column = response_.columns[k];
        const double floor = column.kind == ResponseKind::noPath ? 1e-5 : 0.0;
        for (std::size_t i = 0; i < column.values.size(); ++i) {
            const double magnitude = std::abs(std::complex<double>(column.values[i])) + floor;
            EXPECT_NEAR(20.0 * std::log10(magnitude), column.levelsDb[i], 2e-4)
                << responseName(column.kind) << " row " << i + 1;
        }
    }
}

// The phase of each value against the double-precision reference: within a
// thousandth of a degree, or more where the value is a small difference of large
// terms (single-precision sums lose digits in proportion).
TEST_P(ReferenceCaseTest, PhasesAgreeWithAnIndependentComputation) {
    for (std::size_t i = 0; i < response_.frequenciesHz.size(); ++i) {
        const test::ReferenceValues reference =
            test::referenceValues(design_, response_.frequenciesHz[i]);
        for (std::size_t k = 0; k < 4; ++k) {
            const std::complex<double> value(response_.columns[k].values[i]);
            const std::complex<double> expected = reference.values[k];
            const double difference = std::remainder(
                (std::arg(value) - std::arg(expected)) * 180.0 / std::numbers::pi, 360.0);
            const double tolerance = 1e-3 + 1e-3 * reference.scale / std::abs(expected);
            EXPECT_NEAR(difference, 0.0, tolerance)
                << responseName(response_.columns[k].kind) << " row " << i + 1 << " at "
                << response_.frequenciesHz[i] << " Hz";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Golden, ReferenceCaseTest, testing::ValuesIn(test::referenceCaseNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return test::testName(info.param);
                         });

}  // namespace
}  // namespace opbaff
