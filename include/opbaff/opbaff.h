// opbaff: the frequency response of a loudspeaker driver in an open baffle.
//
// The library behind the opbaff program and its tools: the acoustic model, the
// parameter file and the result file's rows.
//
//   #include <opbaff/opbaff.h>
//
//   opbaff::Design design;                 // the shipped example
//   design.baffleWidthCm = 70.0F;
//   const opbaff::Response response = opbaff::computeResponse(design);
//   // response.frequenciesHz[i], response.columns[0].levelsDb[i], ...
//
// Conventions of every call:
// - Values are single-precision floats in the units of the parameter file
//   (centimetres, metres, hertz, degrees); levels are in dB.
// - Errors are values (Result, ReadFailure): the library never prints, never ends
//   the process, installs no signal handler and keeps no state between calls, so
//   every call may run on any thread at the same time as any other.
// - What a call returns belongs to the caller; the library keeps no pointer to it.
// - Every level is computed by code compiled without floating-point contraction
//   or vectorization, whatever flags the caller's program is built with: the
//   results on the standard grid are those of the program, bit for bit.
// - Every call that computes, reads or writes a number does so rounding to
//   nearest with subnormal numbers kept, whatever floating-point environment
//   the caller runs in (a program built with -ffast-math flushes subnormals to
//   zero), and hands the caller's environment back before it returns. A
//   ResponseSink's takeRow runs in the library's environment.
//
// Headers:
//   opbaff/design.h          Design, Model and the three switches
//   opbaff/design_fields.h   the numeric fields: name, unit, record, member
//   opbaff/design_check.h    checkDesign: notes on a design
//   opbaff/response.h        FrequencyGrid, computeResponse, streamResponse
//   opbaff/phase.h           phases with or without the driver's high-pass
//   opbaff/parameter_file.h  reading and writing parameter files
//   opbaff/result_file.h     the E16.8 rows of the result file
//   opbaff/result.h          Result and Error
//   opbaff/short_number.h    a float in its fewest digits, as the notes write it
//   opbaff/spin.h            the spin curves from two orbits of levels
#pragma once

#include "opbaff/biquad.h"
#include "opbaff/design.h"
#include "opbaff/design_check.h"
#include "opbaff/design_fields.h"
#include "opbaff/design_plate.h"
#include "opbaff/parameter_file.h"
#include "opbaff/phase.h"
#include "opbaff/response.h"
#include "opbaff/result.h"
#include "opbaff/result_file.h"
#include "opbaff/short_number.h"
#include "opbaff/spin.h"

#define OPBAFF_VERSION_MAJOR 1
#define OPBAFF_VERSION_MINOR 1
#define OPBAFF_VERSION_PATCH 0

namespace opbaff {

// The library's version, "1.1.0".
const char* versionText();

}  // namespace opbaff
