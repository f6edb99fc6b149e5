// The model's levels against the reference result files, to the eight
// significant digits the files hold.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "model_test_support.h"

namespace opbaff {
namespace {

struct ReferenceCase {
    const char* folder;
    ParameterSet parameters;
};

ParameterSet withChanges(const char* model, void (*change)(ParameterSet&)) {
    ParameterSet p = test::exampleParameters(model);
    change(p);
    return p;
}

const ReferenceCase kCases[] = {
    {"rectangular-off-centre", test::exampleParameters("r")},
    {"rectangular-crlf-forms", test::exampleParameters("r")},
    {"single-path-piston", withChanges("x", [](ParameterSet& p) { p.driverXCm = 30; })},
    {"rectangular-centred", withChanges("R",
                                        [](ParameterSet& p) {
                                            p.baffleHeightCm = p.baffleWidthCm = 80;
                                            p.driverXCm = p.driverYCm = 40;
                                            p.driverDiameterCm = 25;
                                            p.resonanceHz = 30;
                                            p.qualityFactor = 1;
                                            p.listenerDistanceM = 3;
                                            p.rearPhaseCode = p.pistonCode = makeCode("n");
                                            p.roundBaffleDiameterCm = 80;
                                            p.offAxisAngleDeg = 0;
                                        })},
    {"rectangular-bottom-edge", withChanges("r",
                                            [](ParameterSet& p) {
                                                p.baffleHeightCm = 120;
                                                p.baffleWidthCm = 50;
                                                p.driverXCm = 25;
                                                p.driverYCm = 0;
                                                p.driverDiameterCm = 12;
                                                p.resonanceHz = 70;
                                                p.qualityFactor = 0.4F;
                                                p.listenerDistanceM = 1;
                                                p.roundBaffleDiameterCm = 0;
                                                p.rearLevelCode = makeCode("d");
                                                p.offAxisAngleDeg = -45;
                                            })},
    {"single-path-half-delay", withChanges("u",
                                           [](ParameterSet& p) {
                                               p.baffleHeightCm = 90;
                                               p.baffleWidthCm = 45;
                                               p.driverXCm = 22.5F;
                                               p.driverYCm = 50;
                                               p.driverDiameterCm = 16.5F;
                                               p.resonanceHz = 55;
                                               p.qualityFactor = 0.5F;
                                               p.listenerDistanceM = 1.5F;
                                               p.rearPhaseCode = p.pistonCode = makeCode("n");
                                               p.roundBaffleDiameterCm = 45;
                                               p.rearLevelCode = makeCode("d");
                                               p.offAxisAngleDeg = 0;
                                           })},
};

void PrintTo(const ReferenceCase& c, std::ostream* os) {
    *os << c.folder;
}

// Eight significant digits, as the result file holds them.
std::string eightDigits(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7E", value);
    return text;
}

class ReferenceCaseTest : public testing::TestWithParam<ReferenceCase> {};

TEST_P(ReferenceCaseTest, LevelsMatchTheReferenceFile) {
    const ReferenceCase& c = GetParam();
    std::ifstream file(std::string(OPBAFF_TEST_DATA) + "/golden/" + c.folder + "/OPBAFF.bds");
    ASSERT_TRUE(file) << c.folder;
    const auto rows = test::runModel(c.parameters);
    ASSERT_EQ(rows.size(), 81U);
    std::string line;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ASSERT_TRUE(std::getline(file, line)) << "row " << i + 1;
        for (std::size_t col = 0; col < 4; ++col) {
            const double reference = std::strtod(line.substr(16 * col, 16).c_str(), nullptr);
            EXPECT_EQ(eightDigits(rows[i].levels[col]), eightDigits(reference))
                << c.folder << " row " << i + 1 << " column " << col + 1;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllReferences, ReferenceCaseTest, testing::ValuesIn(kCases),
                         [](const auto& info) {
                             std::string name = info.param.folder;
                             for (char& ch : name) ch = ch == '-' ? '_' : ch;
                             return name;
                         });

}  // namespace
}  // namespace opbaff
