// Speaker files written and read back: the same speaker in centimetres and in
// inches, every kind of baffle, response and filter, and the units converted.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "opbaff/speaker_file.h"
#include "speaker_compare.h"

namespace opbaff {
namespace {

constexpr double kRoundTrip = 1e-12;
const std::string kExample = std::string(OPBAFF_TEST_DATA) + "/two-way.toml";
const char* const kFrd = "* a driver\n10 70.5 12.25\n100 84.125 -3.5\n20000 83 -170.75\n";

FrdLoader frdLoader() {
    return
        [](const std::string&) -> Result<std::string, FrdLoadError> { return std::string(kFrd); };
}

// Values that no unit converts exactly, a name the string escapes must carry,
// a polygon, a measured response and every filter kind.
Speaker everyKindSpeaker() {
    Speaker speaker;
    speaker.name = "quote \" backslash \\ tab \t end";
    speaker.baffle.isPolygon = true;
    speaker.baffle.polygonM = {{0.0, 0.0}, {0.41 / 3.0, 0.0}, {0.5, 0.7}, {0.0, 0.9}};
    speaker.referenceM = {0.1 / 3.0, 0.123456789012345678};
    speaker.listeningDistanceM = 1.0 / 7.0;
    speaker.grid = {7, 31.5F, 16000.1F};
    speaker.speedOfSoundMPerS = 343.2;
    SpeakerDriver woofer;
    woofer.name = "woofer";
    woofer.centreM = {0.2, 0.35};
    woofer.pistonDiameterM = 0.3;
    woofer.rearOn = false;
    woofer.rearLevelDb = -3.25;
    woofer.inverted = true;
    woofer.gainDb = -1.0 / 3.0;
    woofer.delayMs = 0.0625;
    woofer.response.kind = DriverResponse::Kind::measured;
    woofer.response.measured = *parseFrdText(kFrd, "woofer.frd");
    woofer.response.measured.condition = MeasuredResponse::Condition::halfSpace;
    for (int kind = 0; kind < 4; ++kind) {
        woofer.filters.push_back(
            {static_cast<SpeakerFilter::Kind>(kind), 2 + 2 * kind, 1000.0 / 3.0, {}});
    }
    for (const FilterKind kind : {FilterKind::peaking, FilterKind::lowShelf, FilterKind::highShelf,
                                  FilterKind::highPass, FilterKind::lowPass}) {
        const bool gain = kind == FilterKind::peaking || kind == FilterKind::lowShelf ||
                          kind == FilterKind::highShelf;
        woofer.filters.push_back(
            {SpeakerFilter::Kind::biquad, 2, 1000.0, {kind, 123.4, gain ? -6.5 : 0.0, 1.0 / 3.0}});
    }
    SpeakerDriver tweeter;
    tweeter.name = "tweeter \xC3\xA9";
    tweeter.response.kind = DriverResponse::Kind::flat;
    speaker.drivers = {woofer, tweeter};
    // The speaker's own chain: a crossover kind and a biquad, in this order.
    speaker.filters = {
        {SpeakerFilter::Kind::butterworthHighPass, 3, 25.0 / 3.0, {}},
        {SpeakerFilter::Kind::biquad, 2, 1000.0, {FilterKind::peaking, 777.7, 2.0 / 3.0, 1.5}}};
    return speaker;
}

struct UnitCase {
    const char* name;
    const char* unit;
};

void PrintTo(const UnitCase& c, std::ostream* out) {
    *out << c.name;
}

class RoundTrip : public testing::TestWithParam<UnitCase> {};

Speaker readBack(const std::string& text) {
    auto speaker = parseSpeakerText(text, "written.toml", frdLoader());
    EXPECT_TRUE(speaker) << speakerFileErrorText(speaker.error()) << "\n" << text;
    return speaker ? std::move(speaker).value() : Speaker{};
}

TEST_P(RoundTrip, ExampleReadsBackToTheSameSpeaker) {
    const auto example = readSpeakerFile(kExample);
    ASSERT_TRUE(example) << speakerFileErrorText(example.error());
    const std::string text = speakerFileText(*example, GetParam().unit);
    const Speaker again = readBack(text);
    EXPECT_EQ(test::speakerDifference(*example, again, kRoundTrip), "");
    EXPECT_EQ(speakerFileText(again, GetParam().unit), text);
}

TEST_P(RoundTrip, EveryKindReadsBackToTheSameSpeaker) {
    const Speaker speaker = everyKindSpeaker();
    const Speaker again = readBack(speakerFileText(speaker, GetParam().unit));
    EXPECT_EQ(test::speakerDifference(speaker, again, kRoundTrip), "");
}

TEST_P(RoundTrip, RoundedRectangleReadsBack) {
    Speaker speaker = everyKindSpeaker();
    speaker.baffle = {false, 0.45, 1.1, SpeakerBaffle::Corners::rounded, 0.225, {}};
    const Speaker again = readBack(speakerFileText(speaker, GetParam().unit));
    EXPECT_EQ(test::speakerDifference(speaker, again, kRoundTrip), "");
}

INSTANTIATE_TEST_SUITE_P(SpeakerFile, RoundTrip,
                         testing::Values(UnitCase{"Centimetres", "cm"}, UnitCase{"Inches", "in"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SpeakerFile, ExampleHoldsTheTwoWayItDescribes) {
    const auto s = readSpeakerFile(kExample);
    ASSERT_TRUE(s) << speakerFileErrorText(s.error());
    EXPECT_DOUBLE_EQ(s->baffle.widthM, 0.4);
    EXPECT_DOUBLE_EQ(s->baffle.heightM, 1.0);
    EXPECT_EQ(s->baffle.corners, SpeakerBaffle::Corners::chamfered);
    EXPECT_DOUBLE_EQ(s->baffle.cornerSizeM, 0.05);
    ASSERT_EQ(s->drivers.size(), 2U);
    EXPECT_DOUBLE_EQ(s->drivers[0].pistonDiameterM, 0.3);
    EXPECT_DOUBLE_EQ(s->drivers[1].pistonDiameterM, 0.025);
    EXPECT_EQ(s->drivers[0].filters[0].kind, SpeakerFilter::Kind::linkwitzRileyLowPass);
    EXPECT_EQ(s->drivers[1].filters[0].kind, SpeakerFilter::Kind::linkwitzRileyHighPass);
    EXPECT_EQ(s->drivers[1].filters[0].order, 4);
    EXPECT_DOUBLE_EQ(s->referenceM.x, s->drivers[1].centreM.x);
    EXPECT_DOUBLE_EQ(s->referenceM.y, s->drivers[1].centreM.y);
}

// One speaker written by hand in both units, 1 in = 2.54 cm exactly.
std::string handWritten(const char* unit, double scale) {
    auto n = [scale](double inches) { return std::to_string(inches * scale); };
    return std::string("unit = \"") + unit + "\"\n[baffle]\nwidth = " + n(16) +
           "\nheight = " + n(40) + "\ncorners = \"rounded\"\ncorner_size = " + n(2) +
           "\n[listening]\nreference = [" + n(8) + ", " + n(30) + "]\ndistance = " + n(80) +
           "\n[[driver]]\nname = \"w\"\ncentre = [" + n(8) + ", " + n(12) +
           "]\ndiameter = " + n(10) + "\n";
}

TEST(SpeakerFile, InchesAndCentimetresGiveTheSameMetres) {
    const auto inches = parseSpeakerText(handWritten("in", 1.0), "in.toml");
    const auto centimetres = parseSpeakerText(handWritten("cm", 2.54), "cm.toml");
    ASSERT_TRUE(inches) << speakerFileErrorText(inches.error());
    ASSERT_TRUE(centimetres) << speakerFileErrorText(centimetres.error());
    EXPECT_EQ(test::speakerDifference(*inches, *centimetres, kRoundTrip), "");
    EXPECT_NEAR(inches->baffle.widthM, 16 * 0.0254, 1e-15);
    EXPECT_NEAR(inches->drivers[0].pistonDiameterM, 0.254, 1e-15);
    EXPECT_NEAR(inches->listeningDistanceM, 2.032, 1e-15);
}

}  // namespace
}  // namespace opbaff
