#include "opbaff/short_number.h"

#include <charconv>
#include <iterator>

namespace opbaff {

std::string shortNumber(float value) {
    char text[32];
    const std::to_chars_result end = std::to_chars(std::begin(text), std::end(text), value);
    return {std::begin(text), end.ptr};
}

}  // namespace opbaff
