// The parameter file's bytes, read straight from its unit.
#pragma once

#include <cstddef>

#include "format/memory_input.h"
#include "run/units.h"

namespace opbaff {

// Reads the unit from its current position. A unit that opening could only
// create write-only is reopened read-write before the first read; if that
// fails the run ends with the "read start" report.
class UnitInput final : public ByteSource {
  public:
    explicit UnitInput(Unit& unit) : unit_(unit) {}

    long readSome(char* buffer, std::size_t capacity) override;

  private:
    Unit& unit_;
    bool prepared_ = false;
};

}  // namespace opbaff
