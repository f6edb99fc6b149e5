// opbaff: a design, the fifteen values of a parameter file with the codes
// turned into named choices.
#pragma once

namespace opbaff {

// Which model computes the response.
enum class Model {
    // The rear wave travels round 101 points of the edge of a rectangular
    // baffle on each side of the driver (parameter file code "r" or "R").
    rectangular,
    // The rear wave travels one path, from the centre of a round baffle of
    // roundBaffleDiameterCm to its edge and on to the listener (any other code).
    singlePath,
    // The single-path model whose no-path response first delays the front
    // source by half the rear path (code "u" or "U").
    singlePathHalfDelay,
};

// A phase lag of the rear source, exp(-j atan(f / fd)) with fd the frequency
// whose wavelength is the driver diameter (code "n": off; anything else: on).
// The three switches list their plain choice first; no file holds their
// numeric values.
enum class RearPhaseFactor { off, on };

// The piston directivity 2 J1(ka) / ka on both sources (code "y": on;
// anything else: off).
enum class PistonFactor { off, on };

// The level of the rear source relative to the front: 1.0 or 0.5 (code "d":
// half; anything else: full).
enum class RearLevel { full, half };

// One design. Lengths of the baffle and driver are in centimetres, the listening
// distance in metres, the resonance in hertz, the angle in degrees: the units of
// the parameter file. No value is checked for range, as the program checks none:
// values that divide by zero give levels that are not finite (see
// computeResponse): a resonance or Q of 0; a driver diameter of 0 in the
// rectangular model or with either factor on; a listening distance of 0 with a
// rear path of length 0 (a round baffle of 0, a driver on an edge).
//
// A default Design is the shipped example: a 60 x 100 cm baffle, a 20 cm driver
// 22 cm from the side edge and 70 cm above the bottom edge, 40 Hz at Q 0.7,
// heard from 2 m at 30 degrees, piston and rear phase factors on.
struct Design {
    Model model = Model::rectangular;
    float baffleHeightCm = 100.0F;   // height of the rectangular baffle
    float baffleWidthCm = 60.0F;     // width of the rectangular baffle
    float driverXCm = 22.0F;         // driver centre to the side edge of side 2
    float driverYCm = 70.0F;         // driver centre above the bottom edge
    float driverDiameterCm = 20.0F;  // diameter of the driver's piston
    float resonanceHz = 40.0F;       // resonance of the driver's 2nd-order high-pass
    float qualityFactor = 0.7F;      // Q of that high-pass
    float listenerDistanceM = 2.0F;  // driver centre to the listener
    RearPhaseFactor rearPhaseFactor = RearPhaseFactor::on;
    PistonFactor pistonFactor = PistonFactor::on;
    float roundBaffleDiameterCm = 60.0F;  // round baffle centred on the driver
    RearLevel rearLevel = RearLevel::full;
    // Listening angle in the horizontal plane, degrees; positive towards side 1
    // (away from the edge driverXCm is measured from). The library converts it
    // to radians as the program does; below about 0.0057 degrees either way
    // (0 included) it is taken as +1e-4 radians.
    float offAxisAngleDeg = 30.0F;

    // Field by field; float fields compare as floats (-0 equals +0, NaN
    // equals nothing).
    friend bool operator==(const Design&, const Design&) = default;
};

// "rectangular", "single-path" or "single-path-half-delay".
const char* modelName(Model model);

}  // namespace opbaff
