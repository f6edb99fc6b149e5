// Reading one Real in list-directed form: an optional repeat count "N*", then an
// optional sign, digits with an optional point, and an optional exponent
// ("E", "e", "D" or "d" with an optional sign, or a bare sign, then digits).
#pragma once

#include "format/char_stream.h"
#include "format/field_status.h"
#include "model/real.h"

namespace opbaff {

struct RealField {
    FieldStatus status = FieldStatus::null;
    Real value = 0.0F;  // 0 unless status is value
};

// Reads the Real that starts at the stream's next character, which is neither
// blank, tab, line end, comma nor slash. Consumes the number only: the character
// that ends it is left in the stream.
RealField readRealField(CharStream& in);

}  // namespace opbaff
