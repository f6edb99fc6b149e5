// How the reading of one value of the parameter file ended.
#pragma once

namespace opbaff {

enum class FieldStatus {
    value,           // a value was read
    null,            // the record holds no value (a lone separator, or "N*" before one)
    invalidNumber,   // a Real's place holds something that cannot begin a number
    badExponent,     // an exponent without digits, or one above 99999999
    badRepeatCount,  // "*" without a count, or a count that is zero, negative or too long
    unterminated,    // a delimited code ran on to the end of the file
};

}  // namespace opbaff
