// Reading one code in list-directed form: delimited by apostrophes or quotation
// marks, or bare up to the next blank, tab, comma, slash or line end; optionally
// after a repeat count "N*" with N not 0.
#pragma once

#include "format/char_stream.h"
#include "format/field_status.h"
#include "model/parameter_set.h"

namespace opbaff {

struct CodeField {
    FieldStatus status = FieldStatus::null;
    Code value = makeCode("");  // three blanks unless status is value
};

// Reads the code that starts at the stream's next character, which is neither
// blank, tab, line end, comma nor slash. The character that ends a bare code is
// left in the stream. The status is value, null or unterminated.
CodeField readCodeField(CharStream& in);

}  // namespace opbaff
