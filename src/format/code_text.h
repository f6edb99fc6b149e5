// The text of a code as it is read, character by character, of which only the
// first three characters are kept: a code is cut or blank-padded to three.
#pragma once

#include <cstdint>

#include "model/parameter_set.h"

namespace opbaff {

class CodeText {
  public:
    void append(char c) {
        if (length_ < kept_.size()) kept_[length_] = c;
        ++length_;
        last_ = c;
    }

    // The character appended last, or NUL if none was.
    char last() const { return last_; }

    // Replaces the character appended last (there must be one).
    void replaceLast(char c) {
        if (length_ <= kept_.size()) kept_[length_ - 1] = c;
        last_ = c;
    }

    // The code: the first three characters, ended early by a NUL, padded with blanks.
    Code code() const;

  private:
    Code kept_ = makeCode("");
    std::uint64_t length_ = 0;
    char last_ = '\0';
};

}  // namespace opbaff
