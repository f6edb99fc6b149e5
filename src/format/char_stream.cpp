#include "format/char_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace opbaff {

void CharStream::skipLine() {
    if (hasNext_) {
        hasNext_ = false;
        if (next_ == kEndOfInput) return;
        if (next_ == '\n') {
            ++lineEnds_;
            return;
        }
    }
    // A carriage return before the line feed is skipped along with the line.
    for (;;) {
        if (position_ == size_ && !fill()) return;
        const char* start = buffer_.data() + position_;
        const void* lineFeed = std::memchr(start, '\n', size_ - position_);
        if (lineFeed != nullptr) {
            position_ += static_cast<std::size_t>(static_cast<const char*>(lineFeed) - start) + 1;
            ++lineEnds_;
            return;
        }
        position_ = size_;
    }
}

void CharStream::skipLine(std::string& rest, std::size_t limit) {
    std::uint64_t seen = 0;  // characters of the line before its end
    char last = '\0';
    const auto keep = [&](const char* from, std::size_t count) {
        if (count == 0) return;
        if (seen < limit) rest.append(from, std::min<std::uint64_t>(count, limit - seen));
        seen += count;
        last = from[count - 1];
    };
    if (hasNext_) {
        hasNext_ = false;
        if (next_ == kEndOfInput) return;
        if (next_ == '\n') {
            ++lineEnds_;
            return;
        }
        const auto c = static_cast<char>(next_);
        keep(&c, 1);
    }
    for (;;) {
        if (position_ == size_ && !fill()) return;
        const char* start = buffer_.data() + position_;
        const void* lineFeed = std::memchr(start, '\n', size_ - position_);
        if (lineFeed != nullptr) {
            const auto count = static_cast<std::size_t>(static_cast<const char*>(lineFeed) - start);
            keep(start, count);
            position_ += count + 1;
            ++lineEnds_;
            // The carriage return of a CR LF line end is not part of the line.
            if (last == '\r' && seen <= limit && !rest.empty()) rest.pop_back();
            return;
        }
        keep(start, size_ - position_);
        position_ = size_;
    }
}

int CharStream::decodeAtBoundary() {
    const int c = rawGet();
    if (c == '\r' && rawPeek() == '\n') return rawGet();
    return c;
}

int CharStream::rawGet() {
    if (position_ == size_ && !fill()) return kEndOfInput;
    return static_cast<unsigned char>(buffer_[position_++]);
}

int CharStream::rawPeek() {
    if (position_ == size_ && !fill()) return kEndOfInput;
    return static_cast<unsigned char>(buffer_[position_]);
}

bool CharStream::fill() {
    if (endMet_ || errorNumber_ != 0) return false;
    errno = 0;
    const long count = input_.readSome(buffer_.data(), buffer_.size());
    if (count > 0) {
        position_ = 0;
        size_ = static_cast<std::size_t>(count);
        return true;
    }
    if (count == 0) {
        endMet_ = true;
    } else {
        errorNumber_ = errno != 0 ? errno : EIO;
    }
    position_ = size_ = 0;
    return false;
}

}  // namespace opbaff
