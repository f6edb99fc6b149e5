// opbaff: a speaker, several drivers on one open baffle, on the accurate
// thin-plate model (opbaff/thin_plate.h), with each driver's own response
// (an ideal high-pass, flat, or measured) and its chain of filters.
//
// Coordinates are in metres on the baffle's front face: x to the right and y
// upwards as seen from the front, from the lower left corner of a rectangular
// baffle (a polygon's corners are given in the same frame). The listener is
// placed by distance and angles about the speaker's reference point
// (PlateListener).
//
// Every value is a complex pressure relative to one unit point source on an
// infinite baffle at the reference point, heard at the same place:
//   p_i / (2 exp(-jk r_ref) / r_ref),  time factor exp(+jwt),
// so a positive phase leads, and the delays between drivers (their distances to
// the listener against the reference point's, and their own delays) are in the
// phase. A flat driver at the reference point, heard on axis far away at high
// frequencies, is 0 dB.
//
// Driver i is heard as
//   T_i (r_ref / r_i) exp(-jk (r_i - r_ref)) D_i R_i F_i,
// T_i the plate's transfer function of driver i alone (relative to it on an
// infinite baffle, see thin_plate.h), r_i and r_ref the distances of the
// listener from the driver's centre and from the reference point, D_i the
// rigid piston's far-field directivity 2 J1(ka sin t) / (ka sin t) (a half the
// piston's diameter, t the angle from the driver's front axis in front of the
// baffle and from its rear axis behind it; 1 for a diameter of 0), R_i the
// driver's own response and F_i its filters, gain, polarity and delay
// (driverFilterResponse). The sum is the sum of the drivers, each times G, the
// speaker's own chain of filters (Speaker::filters, the speaker's EQ heard
// after every driver's own filters, speakerFilterResponse): G multiplies every
// driver alike, so it multiplies the sum.
#pragma once

#include <complex>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "opbaff/biquad.h"
#include "opbaff/response.h"
#include "opbaff/result.h"
#include "opbaff/thin_plate.h"

namespace opbaff {

// The baffle's outline: a rectangle (optionally with its corners cut at 45
// degrees or rounded) or a convex polygon.
struct SpeakerBaffle {
    enum class Corners { square, chamfered, rounded };
    bool isPolygon = false;
    double widthM = 0.4;
    double heightM = 0.9;
    Corners corners = Corners::square;
    double cornerSizeM = 0.0;          // the chamfer along each side, or the radius
    std::vector<PlatePoint> polygonM;  // when isPolygon: anticlockwise corners
};

// A response measured on the driver's axis, on an infinite baffle or in half
// space (both the 2 pi radiation the plate model is relative to): magnitude in
// dB and phase in degrees at increasing frequencies. The phase is the driver's
// own (its time of flight removed); the driver's delay adds to it.
struct MeasuredResponse {
    enum class Condition { infiniteBaffle, halfSpace };
    Condition condition = Condition::infiniteBaffle;
    std::string sourceName;  // where it was read from, for messages
    std::vector<double> frequenciesHz;
    std::vector<double> levelsDb;
    std::vector<double> phasesDeg;
};

// A driver's own response, before the baffle and its filters.
struct DriverResponse {
    enum class Kind { idealHighPass, flat, measured };
    Kind kind = Kind::idealHighPass;
    // idealHighPass: s^2 / (s^2 + s w0 / Q + w0^2), w0 = 2 pi resonanceHz; both
    // above 0 (else filterInvalid) and finite (else valueNotFinite).
    double resonanceHz = 40.0;
    double q = 0.7071;
    MeasuredResponse measured;  // measured
};

// One filter of a driver's chain, heard as its analog prototype (the cookbook's
// H(s), which a DSP at a sample rate well above the frequency approaches).
// Butterworth filters of order n have the n poles of the Butterworth
// polynomial (-3.01 dB at the corner, 6n dB per octave beyond it);
// Linkwitz-Riley filters of order n are two Butterworth filters of order n / 2
// in cascade (-6.02 dB at the corner). A biquad needs a frequency and Q above 0
// and a finite gain; sample rates play no part.
struct SpeakerFilter {
    enum class Kind {
        butterworthHighPass,
        butterworthLowPass,
        linkwitzRileyHighPass,  // even orders 2 to 8
        linkwitzRileyLowPass,
        biquad,  // one of the cookbook's filters: peaking, shelves, passes
    };
    Kind kind = Kind::biquad;
    int order = 2;                // the crossover filters: 1 to 8
    double frequencyHz = 1000.0;  // crossover filters: the corner frequency
    Filter biquad{};              // Kind::biquad
};

struct SpeakerDriver {
    std::string name;
    PlatePoint centreM;
    double pistonDiameterM = 0.0;  // 0: a point source, no piston directivity
    bool rearOn = true;            // the rear radiates, of opposite sign
    double rearLevelDb = 0.0;      // the rear's level against the front
    bool inverted = false;         // the driver's polarity
    double gainDb = 0.0;
    double delayMs = 0.0;
    DriverResponse response;
    std::vector<SpeakerFilter> filters;
};

struct Speaker {
    std::string name;
    SpeakerBaffle baffle;
    std::vector<SpeakerDriver> drivers;
    std::vector<SpeakerFilter> filters;  // the speaker's EQ, after every driver's own filters
    PlatePoint referenceM;               // the point listening angles are taken about
    double listeningDistanceM = 2.0;     // the default distance of curves and sets
    GridRequest grid{24, 20.0F, 20000.0F};
    double speedOfSoundMPerS = 344.0;
};

// The errors of speaker calls.
enum class SpeakerError {
    plate,               // the plate model refused (see SpeakerFailure::plate)
    noDriver,            // a speaker without drivers
    driverNameRepeated,  // two drivers of one name
    measuredOutOfRange,  // a grid frequency outside a driver's measured range
    measuredInvalid,     // fewer than 2 points, not increasing, or not finite
    filterInvalid,       // a filter's order, frequency, gain or Q out of range
    valueNotFinite,      // a gain, delay, level, diameter or distance not finite
    sizeNotPositive,     // a diameter < 0 or a distance <= 0
    otherPlate,          // a listening place or a speaker of another baffle, grid or accuracy
};

// What went wrong, and with which driver (its index) when one is to blame.
struct SpeakerFailure {
    SpeakerError error = SpeakerError::noDriver;
    std::ptrdiff_t driver = -1;               // -1: the speaker as a whole
    PlateError plate = PlateError::noDriver;  // when error == plate
    double frequencyHz = 0.0;                 // when error == measuredOutOfRange
};

// A sentence naming the failure, with the driver's name and values ("driver
// \"tweeter\": its measured response covers 1000 to 20000 Hz, not 20 Hz").
std::string speakerFailureText(const Speaker& speaker, const SpeakerFailure& failure);

// The speaker's baffle as a plate outline (a rounded corner is an arc of 4
// sides, as PlateOutline::roundedRectangle makes it). Errors: plate, with the
// plate's reason (a size not above 0, a polygon not convex, ...).
Result<PlateOutline, SpeakerFailure> speakerOutline(const SpeakerBaffle& baffle);

// A driver's chain of filters, its gain, polarity and delay (not its own
// response, not the baffle) at `frequenciesHz`: the filters' product times
// 10^(gainDb / 20), -1 when inverted, and exp(-j w delayMs / 1000) (a positive
// delay lags). Errors (driver left at -1): filterInvalid, valueNotFinite (a
// gain or delay).
Result<std::vector<std::complex<double>>, SpeakerFailure> driverFilterResponse(
    const SpeakerDriver& driver, const std::vector<float>& frequenciesHz);

// The speaker's own chain of filters (Speaker::filters) at `frequenciesHz`:
// their product, 1 for an empty chain. Errors (driver -1): filterInvalid.
Result<std::vector<std::complex<double>>, SpeakerFailure> speakerFilterResponse(
    const Speaker& speaker, const std::vector<float>& frequenciesHz);

// The measured response at `frequenciesHz`: magnitude in dB and unwrapped phase
// (each step between neighbouring points taken within +-180 degrees) each
// interpolated linearly in log frequency, exact at the measured points. A
// frequency within a relative 1e-6 outside either end counts as the end.
// Errors: measuredInvalid, measuredOutOfRange (frequencyHz names the first
// frequency outside).
Result<std::vector<std::complex<double>>, SpeakerFailure> measuredResponseAt(
    const MeasuredResponse& measured, const std::vector<float>& frequenciesHz);

// The speaker heard at one place: each driver (in the speaker's order) and the
// sum, as described at the top of this header.
struct SpeakerResponse {
    std::vector<float> frequenciesHz;
    std::vector<std::vector<std::complex<double>>> drivers;
    std::vector<std::complex<double>> sum;
};

// A speaker's drivers solved on its plate and grid, to be heard from anywhere
// at the cost of listening only; moving one driver re-solves that driver only.
// Use one object from one thread at a time; copies are cheap and independent.
class SpeakerModel {
  public:
    // Errors: noDriver, driverNameRepeated, measuredInvalid, measuredOutOfRange,
    // filterInvalid, valueNotFinite, sizeNotPositive, plate (an outline the
    // plate refuses, a driver off the baffle); each with the driver's index when
    // a driver is to blame. The costly step: one plate solve per driver.
    static Result<SpeakerModel, SpeakerFailure> create(const Speaker& speaker,
                                                       const FrequencyGrid& grid,
                                                       const PlateAccuracy& accuracy = {});

    // Heard at `listener` about the reference point; a listener in space is
    // given in the baffle's frame (z > 0 in front). Errors (driver -1): plate
    // (listenerOnPlate, valueNotFinite), sizeNotPositive (a distance from the
    // reference point not above 0). Costs one PlateSolution::listen per driver.
    Result<SpeakerResponse, SpeakerFailure> listen(const PlateListener& listener) const;
    Result<SpeakerResponse, SpeakerFailure> listen(SpacePoint listener) const;

    // The same model with driver `index` moved to `centreM`: only that driver is
    // solved again, and this model is left as it was. Errors: plate
    // (driverOffPlate), valueNotFinite, noDriver (no driver of that index; the
    // failure's driver is the index).
    Result<SpeakerModel, SpeakerFailure> withDriverMoved(std::size_t index,
                                                         PlatePoint centreM) const;

    // The model of `speaker`, a variant of this model's speaker with the same
    // baffle outline, speed of sound and number of drivers (their centres,
    // rears, responses, filters, gains and delays, the speaker's filters and
    // its listening distance may differ): only the drivers whose centre, rear
    // or rear level differ are solved again, and the model equals create's for
    // `speaker` on this grid and accuracy, value for value. What a sweep of
    // drivers' fields needs. This model is left as it was. Errors: create's,
    // in its order, and otherPlate (another outline, speed of sound or count of
    // drivers, or an outline that does not build; create tells why).
    Result<SpeakerModel, SpeakerFailure> withSpeaker(const Speaker& speaker) const;

    const Speaker& speaker() const;
    const std::vector<float>& frequenciesHz() const;

    struct State;

  private:
    friend class SpeakerListeningPlace;
    explicit SpeakerModel(std::shared_ptr<const State> state) : state_(std::move(state)) {}
    std::shared_ptr<const State> state_;
};

// One listening place of a speaker's baffle, with the plate solved for it by
// reciprocity: a driver moved anywhere on the baffle is then heard there without
// a solve of its own, in about a millisecond per 40 frequencies instead of a
// driver's solve. What a drag of a driver needs. It serves every model of the
// same baffle, grid, accuracy and speed of sound. Safe to use from several
// threads at once (it never changes once made).
class SpeakerListeningPlace {
  public:
    // The costly step, about two drivers' solves. Errors as SpeakerModel::listen's.
    static Result<SpeakerListeningPlace, SpeakerFailure> create(const SpeakerModel& model,
                                                                const PlateListener& listener);

    // True if it serves `model`: the same outline, frequencies, accuracy and
    // speed of sound.
    bool serves(const SpeakerModel& model) const;
    const PlateListener& listener() const;

    // `model` heard here with driver `index` at `centreM` and the others where
    // they are, each as SpeakerModel::listen hears it (the moved one through the
    // plate's reciprocal solve, within 0.01 dB and 0.1 degree of its own solve).
    // Costs one listen per unmoved driver. Errors: noDriver (no driver of that
    // index; the failure's driver is the index), valueNotFinite, plate
    // (driverOffPlate), otherPlate (a model it does not serve).
    Result<SpeakerResponse, SpeakerFailure> hearWithDriverMoved(const SpeakerModel& model,
                                                                std::size_t index,
                                                                PlatePoint centreM) const;

    struct State;

  private:
    explicit SpeakerListeningPlace(std::shared_ptr<const State> state) : state_(std::move(state)) {}
    std::shared_ptr<const State> state_;
};

}  // namespace opbaff
