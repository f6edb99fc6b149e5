// Drivers summed on the plate: against the plate model itself, the phase of
// distance against that of delay, moving a driver, and the failures that name
// their driver. Coarse grids keep each solve short.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "opbaff/response.h"
#include "opbaff/speaker.h"

namespace opbaff {
namespace {

FrequencyGrid coarseGrid() {
    return *FrequencyGrid::perOctave(
        {.pointsPerOctave = 3, .lowestHz = 50.0F, .highestHz = 4000.0F});
}

SpeakerDriver flatDriver(std::string name, PlatePoint centre) {
    SpeakerDriver d;
    d.name = std::move(name);
    d.centreM = centre;
    d.response.kind = DriverResponse::Kind::flat;
    return d;
}

Speaker smallSpeaker(std::vector<SpeakerDriver> drivers, PlatePoint reference) {
    Speaker s;
    s.baffle.widthM = 0.3;
    s.baffle.heightM = 0.5;
    s.drivers = std::move(drivers);
    s.referenceM = reference;
    return s;
}

SpeakerResponse heard(const Speaker& s, SpacePoint at) {
    auto model = SpeakerModel::create(s, coarseGrid());
    EXPECT_TRUE(model) << (model ? "" : speakerFailureText(s, model.error()));
    if (!model) return {};
    auto response = model->listen(at);
    EXPECT_TRUE(response);
    return response ? *response : SpeakerResponse{};
}

void expectClose(const std::vector<std::complex<double>>& a,
                 const std::vector<std::complex<double>>& b, double tolerance,
                 const std::string& what) {
    ASSERT_EQ(a.size(), b.size()) << what;
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_LE(std::abs(a[i] - b[i]), tolerance * std::abs(b[i])) << what << ", point " << i;
    }
}

TEST(SpeakerModel, OneFlatDriverAtTheReferenceIsThePlateModel) {
    const PlatePoint centre{0.12, 0.31};
    const Speaker s = smallSpeaker({flatDriver("full", centre)}, centre);
    auto model = SpeakerModel::create(s, coarseGrid());
    ASSERT_TRUE(model);
    auto plate = ThinPlate::create(*PlateOutline::rectangle(0.3, 0.5));
    ASSERT_TRUE(plate);
    const std::vector<double> fs(model->frequenciesHz().begin(), model->frequenciesHz().end());
    for (const PlateListener at : {PlateListener{2.0, 0.0, 0.0}, PlateListener{1.5, 40.0, -10.0},
                                   PlateListener{3.0, 150.0, 20.0}}) {
        const auto ours = model->listen(at);
        const auto theirs = plate->response({PlateDriver{centre, 1.0, 0.0, true}}, fs,
                                            listenerPosition(centre, at));
        ASSERT_TRUE(ours && theirs);
        const std::string where = "at " + std::to_string(at.horizontalDeg) + " degrees";
        expectClose(ours->sum, theirs->total, 1e-9, where);
        expectClose(ours->drivers[0], theirs->total, 1e-9, where);
    }
}

TEST(SpeakerModel, TwoIdenticalDriversAtOneSpotAreSixDbUp) {
    const PlatePoint centre{0.15, 0.2};
    const SpacePoint at{0.4, 0.5, 2.0};
    const SpeakerResponse one = heard(smallSpeaker({flatDriver("a", centre)}, centre), at);
    const SpeakerResponse two =
        heard(smallSpeaker({flatDriver("a", centre), flatDriver("b", centre)}, centre), at);
    ASSERT_EQ(one.sum.size(), two.sum.size());
    for (std::size_t i = 0; i < one.sum.size(); ++i) {
        EXPECT_NEAR(20.0 * std::log10(std::abs(two.sum[i]) / std::abs(one.sum[i])),
                    20.0 * std::log10(2.0), 1e-9);
    }
}

TEST(SpeakerModel, AFartherDriverLagsAsADelayOfItsExtraPathDoes) {
    // Heard about a reference point elsewhere, a driver is its value about
    // its own centre delayed by (r_i - r_ref) / c and scaled by r_ref / r_i:
    // the phase of distance and the phase of delay turn the same way.
    const PlatePoint reference{0.15, 0.4};
    const PlatePoint centre{0.1, 0.12};
    const SpacePoint at{0.5, 0.9, 1.2};
    const Speaker aboutReference = smallSpeaker({flatDriver("w", centre)}, reference);
    const auto distance = [&at](PlatePoint p) { return std::hypot(at.x - p.x, at.y - p.y, at.z); };
    SpeakerDriver delayed = flatDriver("w", centre);
    delayed.delayMs = 1000.0 * (distance(centre) - distance(reference)) / 344.0;
    delayed.gainDb = 20.0 * std::log10(distance(reference) / distance(centre));
    const Speaker aboutCentre = smallSpeaker({delayed}, centre);
    ASSERT_GT(delayed.delayMs, 0.2);
    expectClose(heard(aboutReference, at).sum, heard(aboutCentre, at).sum, 1e-9, "delayed");
}

TEST(SpeakerModel, DriverResponsesAndPistonEnterAsStated) {
    // The ideal high-pass is the library's driver high-pass (same phase
    // convention), and a piston heard on its own axis is not narrowed.
    const PlatePoint centre{0.1, 0.3};
    const SpacePoint onDriverAxis{centre.x, centre.y, 1.5};
    SpeakerDriver plain = flatDriver("w", centre);
    SpeakerDriver shaped = plain;
    shaped.response.kind = DriverResponse::Kind::idealHighPass;
    shaped.response.resonanceHz = 45.0;
    shaped.response.q = 0.5;
    shaped.pistonDiameterM = 0.2;
    const SpeakerResponse a = heard(smallSpeaker({plain}, {0.15, 0.25}), onDriverAxis);
    const SpeakerResponse b = heard(smallSpeaker({shaped}, {0.15, 0.25}), onDriverAxis);
    Design design;
    design.resonanceHz = 45.0F;
    design.qualityFactor = 0.5F;
    ASSERT_EQ(a.sum.size(), b.sum.size());
    for (std::size_t i = 0; i < a.sum.size(); ++i) {
        const auto expected = a.sum[i] * driverHighPass(design, a.frequenciesHz[i]);
        EXPECT_LE(std::abs(b.sum[i] - expected), 1e-9 * std::abs(expected)) << i;
    }
    // Off its axis, the piston narrows at high frequencies only.
    const SpacePoint aside{centre.x + 1.5, centre.y, 0.5};
    SpeakerDriver piston = plain;
    piston.pistonDiameterM = 0.2;
    const SpeakerResponse wide = heard(smallSpeaker({plain}, centre), aside);
    const SpeakerResponse narrow = heard(smallSpeaker({piston}, centre), aside);
    ASSERT_EQ(wide.sum.size(), narrow.sum.size());
    EXPECT_NEAR(std::abs(narrow.sum.front() / wide.sum.front()), 1.0, 1e-3);
    EXPECT_LT(std::abs(narrow.sum.back() / wide.sum.back()), 0.5);
}

// A tweeter over a woofer crossed at 2 kHz, the woofer's rear 3 dB down.
Speaker smallTwoWay(double wooferDiameterM = 0.0) {
    SpeakerDriver tweeter = flatDriver("tweeter", {0.15, 0.4});
    tweeter.filters.push_back({SpeakerFilter::Kind::linkwitzRileyHighPass, 4, 2000.0, {}});
    SpeakerDriver woofer = flatDriver("woofer", {0.15, 0.2});
    woofer.filters.push_back({SpeakerFilter::Kind::linkwitzRileyLowPass, 4, 2000.0, {}});
    woofer.rearLevelDb = -3.0;
    woofer.pistonDiameterM = wooferDiameterM;
    return smallSpeaker({tweeter, woofer}, {0.15, 0.4});
}

TEST(SpeakerModel, MovingADriverEqualsCreatingItThere) {
    Speaker s = smallTwoWay();
    auto model = SpeakerModel::create(s, coarseGrid());
    ASSERT_TRUE(model);
    const PlatePoint moved{0.08, 0.33};
    auto movedModel = model->withDriverMoved(1, moved);
    ASSERT_TRUE(movedModel);
    s.drivers[1].centreM = moved;
    auto fresh = SpeakerModel::create(s, coarseGrid());
    ASSERT_TRUE(fresh);
    EXPECT_EQ(movedModel->speaker().drivers[1].centreM.y, moved.y);
    for (const PlateListener at : {PlateListener{2.0, 0.0, 0.0}, PlateListener{2.0, -60.0, 15.0}}) {
        const auto a = movedModel->listen(at);
        const auto b = fresh->listen(at);
        ASSERT_TRUE(a && b);
        expectClose(a->sum, b->sum, 1e-12, "sum");
        expectClose(a->drivers[0], b->drivers[0], 1e-12, "tweeter");
        expectClose(a->drivers[1], b->drivers[1], 1e-12, "woofer");
    }
    // The original model is left as it was.
    const auto before = model->listen(PlateListener{});
    const auto after = movedModel->listen(PlateListener{});
    ASSERT_TRUE(before && after);
    expectClose(before->drivers[0], after->drivers[0], 1e-12, "unmoved tweeter");
    EXPECT_GT(std::abs(before->drivers[1].back() - after->drivers[1].back()), 1e-3);
}

// A variant of the speaker made from its model is, value for value, the model
// created for the variant, whatever changed short of the plate; the model it
// came from is left as it was, and another plate is refused.
TEST(SpeakerModel, AVariantMadeFromTheModelIsTheVariantsOwnModel) {
    const Speaker s = smallTwoWay(0.2);
    const auto model = SpeakerModel::create(s, coarseGrid());
    ASSERT_TRUE(model);
    const struct {
        const char* what;
        void (*change)(Speaker&);
        std::optional<SpeakerError> refused;
    } variants[] = {
        {"woofer moved",
         [](Speaker& v) {
             v.drivers[1].centreM = {0.1, 0.25};
         },
         {}},
        {"tweeter's gain, delay and polarity",
         [](Speaker& v) {
             v.drivers[0].gainDb = -2.5;
             v.drivers[0].delayMs = 0.1;
             v.drivers[0].inverted = true;
         },
         {}},
        {"woofer's rear level and diameter",
         [](Speaker& v) {
             v.drivers[1].rearLevelDb = -6.0;
             v.drivers[1].pistonDiameterM = 0.25;
         },
         {}},
        {"tweeter's rear on, listener nearer",
         [](Speaker& v) {
             v.drivers[0].rearOn = true;
             v.listeningDistanceM = 1.0;
         },
         {}},
        {"a driver off the baffle",
         [](Speaker& v) {
             v.drivers[0].centreM = {0.35, 0.4};
         },
         SpeakerError::plate},
        {"a negative diameter", [](Speaker& v) { v.drivers[1].pistonDiameterM = -0.1; },
         SpeakerError::sizeNotPositive},
        {"a wider baffle", [](Speaker& v) { v.baffle.widthM = 0.4; }, SpeakerError::otherPlate},
        {"another speed of sound", [](Speaker& v) { v.speedOfSoundMPerS = 340.0; },
         SpeakerError::otherPlate},
        {"a driver fewer", [](Speaker& v) { v.drivers.pop_back(); }, SpeakerError::otherPlate},
    };
    const auto original = model->listen(PlateListener{2.0, 30.0, 0.0});
    for (const auto& v : variants) {
        Speaker changed = s;
        v.change(changed);
        const auto made = model->withSpeaker(changed);
        const auto fresh = SpeakerModel::create(changed, coarseGrid());
        if (v.refused) {
            ASSERT_FALSE(made) << v.what;
            EXPECT_EQ(made.error().error, *v.refused) << v.what;
            if (*v.refused != SpeakerError::otherPlate) {
                ASSERT_FALSE(fresh) << v.what;
                EXPECT_EQ(made.error().driver, fresh.error().driver) << v.what;
            }
            continue;
        }
        ASSERT_TRUE(made && fresh) << v.what;
        for (const PlateListener at : {PlateListener{changed.listeningDistanceM, 0.0, 0.0},
                                       PlateListener{2.0, -60.0, 15.0}}) {
            const auto a = made->listen(at);
            const auto b = fresh->listen(at);
            ASSERT_TRUE(a && b) << v.what;
            EXPECT_EQ(a->sum, b->sum) << v.what;
            EXPECT_EQ(a->drivers, b->drivers) << v.what;
        }
    }
    const auto after = model->listen(PlateListener{2.0, 30.0, 0.0});
    ASSERT_TRUE(original && after);
    EXPECT_EQ(original->sum, after->sum) << "the model it came from changed";
}

// A drag heard at one place: each driver and the sum as the moved model's own
// solve hears them, 0.01 dB and 0.1 degree; the unmoved driver to the bit.
TEST(SpeakerListeningPlace, HearsAMovedDriverAsItsOwnSolveDoes) {
    const Speaker s = smallTwoWay(0.2);
    auto model = SpeakerModel::create(s, coarseGrid());
    ASSERT_TRUE(model);
    for (const PlateListener at :
         {PlateListener{2.0, 0.0, 0.0}, PlateListener{1.5, -130.0, 10.0}}) {
        const auto place = SpeakerListeningPlace::create(*model, at);
        ASSERT_TRUE(place);
        EXPECT_TRUE(place->serves(*model));
        for (const PlatePoint moved : {PlatePoint{0.08, 0.33}, PlatePoint{0.27, 0.05}}) {
            const auto quick = place->hearWithDriverMoved(*model, 1, moved);
            const auto solved = model->withDriverMoved(1, moved);
            ASSERT_TRUE(quick && solved);
            const auto expected = solved->listen(at);
            ASSERT_TRUE(expected);
            expectClose(quick->drivers[0], expected->drivers[0], 0.0, "unmoved tweeter");
            for (const auto& [ours, theirs] : {std::pair{&quick->drivers[1], &expected->drivers[1]},
                                               std::pair{&quick->sum, &expected->sum}}) {
                for (std::size_t i = 0; i < ours->size(); ++i) {
                    const std::complex<double> ratio = (*ours)[i] / (*theirs)[i];
                    EXPECT_LT(std::abs(20.0 * std::log10(std::abs(ratio))), 0.01) << i;
                    EXPECT_LT(std::abs(std::arg(ratio)) * 180.0 / std::numbers::pi, 0.1) << i;
                }
            }
        }
    }
}

TEST(SpeakerListeningPlace, RefusesOtherBafflesAndBadMoves) {
    const Speaker s = smallSpeaker({flatDriver("woofer", {0.15, 0.2})}, {0.15, 0.2});
    auto model = SpeakerModel::create(s, coarseGrid());
    ASSERT_TRUE(model);
    const auto place = SpeakerListeningPlace::create(*model, PlateListener{});
    ASSERT_TRUE(place);
    Speaker wider = s;
    wider.baffle.widthM = 0.35;
    auto other = SpeakerModel::create(wider, coarseGrid());
    ASSERT_TRUE(other);
    EXPECT_FALSE(place->serves(*other));
    const auto refused = place->hearWithDriverMoved(*other, 0, {0.1, 0.1});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().error, SpeakerError::otherPlate);
    const auto off = place->hearWithDriverMoved(*model, 0, {0.15, -0.01});
    ASSERT_FALSE(off);
    EXPECT_EQ(off.error().plate, PlateError::driverOffPlate);
    EXPECT_EQ(off.error().driver, 0);
    const auto none = place->hearWithDriverMoved(*model, 2, {0.1, 0.1});
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error().error, SpeakerError::noDriver);
    const auto onBaffle = SpeakerListeningPlace::create(*model, PlateListener{0.0, 0.0, 0.0});
    ASSERT_FALSE(onBaffle);
    EXPECT_EQ(onBaffle.error().error, SpeakerError::sizeNotPositive);
}

struct FailureCase {
    std::string name;
    void (*spoil)(Speaker&);
    SpeakerError error;
    std::ptrdiff_t driver;
    const char* textHas;
};

void PrintTo(const FailureCase& c, std::ostream* out) {
    *out << c.name;
}

class SpeakerFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(SpeakerFailures, AreRefusedNamingTheDriver) {
    const FailureCase& c = GetParam();
    Speaker s = smallSpeaker(
        {flatDriver("woofer", {0.15, 0.2}), flatDriver("tweeter", {0.15, 0.4})}, {0.15, 0.4});
    c.spoil(s);
    const auto model = SpeakerModel::create(s, coarseGrid());
    ASSERT_FALSE(model);
    EXPECT_EQ(model.error().error, c.error);
    EXPECT_EQ(model.error().driver, c.driver);
    const std::string text = speakerFailureText(s, model.error());
    EXPECT_NE(text.find(c.textHas), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Speaker, SpeakerFailures,
    ::testing::Values(
        FailureCase{"DriverOffTheBaffle", [](Speaker& s) { s.drivers[1].centreM.x = 0.5; },
                    SpeakerError::plate, 1, "driver \"tweeter\": its centre (x 0.5 m"},
        FailureCase{"NoDriver", [](Speaker& s) { s.drivers.clear(); }, SpeakerError::noDriver, -1,
                    "no driver"},
        FailureCase{"NameRepeated", [](Speaker& s) { s.drivers[1].name = "woofer"; },
                    SpeakerError::driverNameRepeated, 1, "driver \"woofer\""},
        FailureCase{"MeasuredNarrowerThanTheGrid",
                    [](Speaker& s) {
                        s.drivers[1].response.kind = DriverResponse::Kind::measured;
                        s.drivers[1].response.measured.frequenciesHz = {1000.0, 20000.0};
                        s.drivers[1].response.measured.levelsDb = {0.0, 0.0};
                        s.drivers[1].response.measured.phasesDeg = {0.0, 0.0};
                    },
                    SpeakerError::measuredOutOfRange, 1, "covers 1000 to 20000 Hz, not 50 Hz"},
        FailureCase{"FilterOrderOutOfRange",
                    [](Speaker& s) {
                        s.drivers[0].filters.push_back(
                            {SpeakerFilter::Kind::linkwitzRileyLowPass, 5, 2000.0, {}});
                    },
                    SpeakerError::filterInvalid, 0, "driver \"woofer\": a filter"},
        FailureCase{"ResonanceZero",
                    [](Speaker& s) {
                        s.drivers[0].response.kind = DriverResponse::Kind::idealHighPass;
                        s.drivers[0].response.resonanceHz = 0.0;
                    },
                    SpeakerError::filterInvalid, 0, "resonance"},
        FailureCase{"GainNotFinite", [](Speaker& s) { s.drivers[1].gainDb = NAN; },
                    SpeakerError::valueNotFinite, 1, "driver \"tweeter\""},
        FailureCase{"NegativeDiameter", [](Speaker& s) { s.drivers[0].pistonDiameterM = -0.1; },
                    SpeakerError::sizeNotPositive, 0, "diameter"},
        FailureCase{"BaffleNotConvex",
                    [](Speaker& s) {
                        s.baffle.isPolygon = true;
                        s.baffle.polygonM = {{0, 0}, {0.3, 0}, {0.1, 0.1}, {0.3, 0.5}, {0, 0.5}};
                    },
                    SpeakerError::plate, -1, "the speaker: the outline"}),
    [](const auto& info) { return info.param.name; });

TEST(SpeakerModel, MovingADriverOffTheBaffleIsRefusedWithItsIndex) {
    const Speaker s = smallSpeaker({flatDriver("woofer", {0.15, 0.2})}, {0.15, 0.2});
    auto model = SpeakerModel::create(s, coarseGrid());
    ASSERT_TRUE(model);
    const auto off = model->withDriverMoved(0, {0.15, -0.01});
    ASSERT_FALSE(off);
    EXPECT_EQ(off.error().error, SpeakerError::plate);
    EXPECT_EQ(off.error().plate, PlateError::driverOffPlate);
    EXPECT_EQ(off.error().driver, 0);
    const auto none = model->withDriverMoved(3, {0.1, 0.1});
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error().error, SpeakerError::noDriver);
    EXPECT_EQ(none.error().driver, 3);
}

TEST(SpeakerModel, ListenersOnTheBaffleOrAtNoDistanceAreRefused) {
    const Speaker s = smallSpeaker({flatDriver("woofer", {0.15, 0.2})}, {0.15, 0.2});
    auto model = SpeakerModel::create(s, coarseGrid());
    ASSERT_TRUE(model);
    const auto onBaffle = model->listen(SpacePoint{0.1, 0.1, 0.0});
    ASSERT_FALSE(onBaffle);
    EXPECT_EQ(onBaffle.error().error, SpeakerError::plate);
    EXPECT_EQ(onBaffle.error().plate, PlateError::listenerOnPlate);
    EXPECT_EQ(onBaffle.error().driver, -1) << "the listener's fault, not the driver's";
    const auto atReference = model->listen(PlateListener{0.0, 0.0, 0.0});
    ASSERT_FALSE(atReference);
    EXPECT_EQ(atReference.error().error, SpeakerError::sizeNotPositive);
    const auto nowhere = model->listen(PlateListener{2.0, NAN, 0.0});
    ASSERT_FALSE(nowhere);
    EXPECT_EQ(nowhere.error().plate, PlateError::valueNotFinite);
}

}  // namespace
}  // namespace opbaff
