// Where the parameter file's bytes come from: the opened file, or memory.
#pragma once

#include <cstddef>
#include <string_view>

namespace opbaff {

// A source of bytes: the parameter file's descriptor, or memory in tests and fuzzing.
class ByteInput {
  public:
    virtual ~ByteInput() = default;
    // Reads up to `capacity` bytes: returns the count (> 0), 0 at the end of the input,
    // or -1 on an error with errno set.
    virtual long readSome(char* buffer, std::size_t capacity) = 0;
};

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
