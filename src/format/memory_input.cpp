#include "format/memory_input.h"

#include <algorithm>

namespace opbaff {

long MemoryInput::readSome(char* buffer, std::size_t capacity) {
    std::size_t count = std::min(capacity, rest_.size());
    if (maxChunk_ != 0) count = std::min(count, maxChunk_);
    std::copy_n(rest_.data(), count, buffer);
    rest_.remove_prefix(count);
    return static_cast<long>(count);
}

}  // namespace opbaff
