// A parameter file's bytes held in memory (the program's opened file and a
// path are the other ByteSources, see opbaff/parameter_file.h).
#pragma once

#include <cstddef>
#include <string_view>

#include "opbaff/parameter_file.h"

namespace opbaff {

// Bytes held in memory, handed out at most `maxChunk` at a time (0: no limit), so
// that a reader can be fed one byte per call.
class MemoryInput final : public ByteSource {
  public:
    explicit MemoryInput(std::string_view bytes, std::size_t maxChunk = 0)
        : rest_(bytes), maxChunk_(maxChunk) {}
    long readSome(char* buffer, std::size_t capacity) override;

  private:
    std::string_view rest_;
    std::size_t maxChunk_;
};

}  // namespace opbaff
