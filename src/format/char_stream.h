// The parameter file as a stream of characters for the list-directed reader.
//
// Bytes are read through one fixed buffer, so a line of any length costs no more
// memory than a short one. A carriage return directly before a line feed belongs
// to the line end: the pair is delivered as a single '\n'. A lone carriage return
// is an ordinary character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "format/memory_input.h"

namespace opbaff {

// What get() and peek() return once the input is exhausted (or has failed).
inline constexpr int kEndOfInput = -1;

class CharStream {
  public:
    static constexpr std::size_t kBufferSize = std::size_t{64} * 1024;

    explicit CharStream(ByteSource& input) : input_(input), buffer_(kBufferSize) {}

    // The next character (0 to 255) without consuming it, or kEndOfInput.
    int peek() {
        if (!hasNext_) {
            next_ = decode();
            hasNext_ = true;
        }
        return next_;
    }

    // Consumes and returns the next character, or kEndOfInput.
    int get() {
        const int c = peek();
        hasNext_ = false;
        if (c == '\n') ++lineEnds_;
        if (capture_ != nullptr && c != kEndOfInput && capture_->size() < captureLimit_) {
            capture_->push_back(static_cast<char>(c));
        }
        return c;
    }

    // Consumes everything up to and including the next line end. (Kept apart
    // from the noting variant below: this is the program's own path, and the
    // cheapest.)
    void skipLine();

    // The same, appending the characters before the line end to `rest`, up to
    // `limit` in all.
    void skipLine(std::string& rest, std::size_t limit);

    // From now on every character that get() consumes is appended to `text`,
    // up to `limit` characters in all; nullptr stops that.
    void capture(std::string* text, std::size_t limit = 0) {
        capture_ = text;
        captureLimit_ = limit;
    }

    // The 1-based number of the line the next character stands on.
    std::uint64_t line() const { return lineEnds_ + 1; }

    // True once a read has met the end of the input.
    bool endMet() const { return endMet_; }

    // The errno of a failed read, 0 while no read has failed. A failed stream
    // behaves as if it had ended.
    int errorNumber() const { return errorNumber_; }

  private:
    // The next character, a CR LF pair folded into '\n'.
    int decode() {
        if (position_ < size_ && buffer_[position_] != '\r') {
            return static_cast<unsigned char>(buffer_[position_++]);
        }
        return decodeAtBoundary();
    }
    int decodeAtBoundary();
    int rawGet();
    int rawPeek();
    bool fill();

    ByteSource& input_;
    std::vector<char> buffer_;
    std::size_t position_ = 0;
    std::size_t size_ = 0;
    int next_ = kEndOfInput;
    bool hasNext_ = false;
    bool endMet_ = false;
    int errorNumber_ = 0;
    std::uint64_t lineEnds_ = 0;  // line ends consumed
    std::string* capture_ = nullptr;
    std::size_t captureLimit_ = 0;
};

}  // namespace opbaff
