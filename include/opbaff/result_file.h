// opbaff: the rows of the result file ("OPBAFF.bds").
//
// The program writes one line per grid frequency: four levels in dB in fields
// of 16 characters (E16.8: " -0.38225868E+02"), then CR LF.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>

#include "opbaff/response.h"

namespace opbaff {

inline constexpr std::size_t kFieldWidth = 16;
inline constexpr std::size_t kResultLineLength = 4 * kFieldWidth + 2;  // with CR LF

using EField = std::array<char, kFieldWidth>;
using ResultLine = std::array<char, kResultLineLength>;

// One level as 0.dddddddd times a power of ten, right-aligned in 16 characters:
// "  0.12345678E+02", " -0.60205998E+01"; a zero of either sign as
// "  0.00000000E+00". A level that is not finite is written right-aligned as
// "Infinity", "-Infinity" or "NaN".
EField formatEField(float value);

// The four levels in column order, then CR LF: one line of the result file.
ResultLine formatResultLine(const std::array<float, 4>& levels);

// The line of a response row: its four levels (Response::row, or a row that
// streamResponse hands on). A template only so that a braced list of four
// levels, formatResultLine({a, b, c, d}), still means the call above.
template <std::same_as<ResponseRow> Row>
ResultLine formatResultLine(const Row& row) {
    return formatResultLine(row.levelsDb);
}

}  // namespace opbaff
