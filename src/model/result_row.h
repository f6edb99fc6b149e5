// What a model hands on for each frequency of the grid: the four levels of a
// result line and the complex values they were taken from.
#pragma once

#include <array>

#include "model/real.h"

namespace opbaff {

inline constexpr int kFrequencyCount = 81;

using ResultRow = std::array<Real, 4>;  // levels in dB, columns 1 to 4

struct ModelRow {
    ResultRow levels{};
    // The complex value behind each level (before any halving or floor); a
    // column with a constant level (single-path column 3) holds (0, 0).
    std::array<Complex, 4> sums{};
};

// Receives the 81 rows of a model run, in ascending order of frequency.
class RowSink {
  public:
    virtual void takeRow(const ModelRow& row) = 0;

  protected:
    RowSink() = default;
    RowSink(const RowSink&) = default;
    RowSink& operator=(const RowSink&) = default;
    ~RowSink() = default;
};

}  // namespace opbaff
