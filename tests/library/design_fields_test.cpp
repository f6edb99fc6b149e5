// The table of design fields against the reader: each field's record is the
// one the reader fills that member from, and the records stand in order.
#include "opbaff/design_fields.h"

#include <gtest/gtest.h>

#include <string>

#include "opbaff/opbaff.h"

namespace opbaff {

// The field's name in the logs of the tests it parameterises.
void PrintTo(const DesignField& field, std::ostream* out) {
    *out << field.name;
}

namespace {

static_assert([] {
    for (std::size_t k = 0; k < kParameterRecords.size(); ++k) {
        if (kParameterRecords[k].number != static_cast<int>(k) + 1) return false;
    }
    return true;
}());

class DesignFieldTest : public testing::TestWithParam<DesignField> {};

// A value of that field alone changed comes back in that member, and stood in
// that record of the written file.
TEST_P(DesignFieldTest, TheWrittenRecordReadsBackIntoTheMember) {
    const DesignField& field = GetParam();
    Design design;
    design.*field.member = 1234.5F;
    const auto text = writeParameterText(design);
    ASSERT_TRUE(text);
    const auto file = readParameterText(*text);
    ASSERT_TRUE(file) << file.error().message();
    EXPECT_EQ(file->design, design);
    const RecordInfo& info = file->records[static_cast<std::size_t>(field.record - 1)];
    EXPECT_EQ(info.number, 1234.5F);
    EXPECT_NE(info.rest.find(field.name), std::string::npos) << info.rest;
    EXPECT_EQ(kParameterRecords[static_cast<std::size_t>(field.record - 1)].name,
              std::string(field.name));
    EXPECT_EQ(designFieldOfRecord(field.record), &designFieldOf(field.member));
}

INSTANTIATE_TEST_SUITE_P(Fields, DesignFieldTest, testing::ValuesIn(kDesignFields),
                         [](const testing::TestParamInfo<DesignField>& info) {
                             return std::string(info.param.name);
                         });

// An input's range and step make sense, and the shipped example lies within
// every plausible range, so that the studio opens on a design it calls plausible.
TEST_P(DesignFieldTest, TheExampleLiesWithinThePlausibleRange) {
    const DesignField& field = GetParam();
    EXPECT_LT(field.low, field.high);
    EXPECT_GT(field.step, 0.0F);
    EXPECT_LE(field.step, (field.high - field.low) / 10.0F);
    const float example = Design{}.*field.member;
    EXPECT_GE(example, field.low);
    EXPECT_LE(example, field.high);
    EXPECT_STRNE(field.label, "");
    EXPECT_STRNE(designPartName(field.part), "");
}

}  // namespace
}  // namespace opbaff
