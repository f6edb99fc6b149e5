// Where the parameter file's bytes come from: the opened file, or memory.
#pragma once

#include <cstddef>
#include <string_view>

#include "opbaff/parameter_file.h"

namespace opbaff {

// A source of bytes: the parameter file's descriptor, or memory. readSome
// returns the count (> 0), 0 at the end of the input, or -1 with errno set.
using ByteInput = ByteSource;

// Bytes held in memory, handed out at most `maxChunk` at a time (0: no limit), so
// that a reader can be fed one byte per call.
class MemoryInput final : public ByteInput {
  public:
    explicit MemoryInput(std::string_view bytes, std::size_t maxChunk = 0)
        : rest_(bytes), maxChunk_(maxChunk) {}
    long readSome(char* buffer, std::size_t capacity) override;

  private:
    std::string_view rest_;
    std::size_t maxChunk_;
};

}  // namespace opbaff
