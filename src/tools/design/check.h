// The notes of "opbaff-design check": what in a parameter file or a design
// deserves a word to the user, although the program reads and runs it.
#pragma once

#include <string>
#include <vector>

#include "opbaff/design.h"
#include "opbaff/parameter_file.h"
#include "opbaff/response.h"
#include "opbaff/speaker.h"

namespace opbaff::tools {

// One note: the record it concerns (1 to 15), or 0 for the design as a whole,
// and one sentence of plain text.
struct Note {
    int record = 0;
    std::string text;
};

// How the file's records were read: characters skipped after a number ("1OO"
// gives 1), a decimal comma ("0,7" gives 0), a unit word other than the
// record's unit ("8in", "2m" where cm is meant), a code that differs from a
// recognised value only in case or length ("Y", "yes", "rect"), a null record.
// In record order.
std::vector<Note> recordNotes(const ParameterFile& file);

// The design's values: geometry that cannot be built (driver centre outside
// the rectangular baffle, driver wider than the baffle, a round baffle smaller
// than the driver), values that make levels non-finite (a resonance, Q, driver
// diameter or listener distance of 0 or below), a listening angle beyond
// +-90 degrees; last, on record 0, how many rows of the response on the
// standard grid hold levels that are not finite numbers, if any do.
// The last note counts the rows of the design's standard-grid response that
// hold levels that are not finite numbers.
std::vector<Note> designNotes(const Design& design);

// The same, the rows counted in `response`, the design's response already
// computed on any grid.
std::vector<Note> designNotes(const Design& design, const Response& response);

// The value record `record` (1 to 15) took, as the check shows it: a number
// ("60") or a code with its blanks and its effect ("'Y  ' (piston factor off)").
std::string valueText(const ParameterFile& file, int record);

// A length in metres as centimetres for notes and summaries ("12.5").
std::string centimetreText(double metres);
// A point in metres as "(20, 35) cm".
std::string centimetrePointText(PlatePoint p);

// The notes on a speaker file's geometry: a driver whose centre is off the
// baffle or on its border, two drivers that overlap (centres closer than the
// sum of their radii), a baffle outline that cannot be built; in the drivers'
// order.
std::vector<std::string> speakerNotes(const Speaker& speaker);

}  // namespace opbaff::tools
