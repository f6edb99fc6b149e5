#include <algorithm>

#include "opbaff/result_file.h"

namespace opbaff {

ResultLine formatResultLine(const std::array<float, 4>& levels) {
    ResultLine line{};
    auto next = line.begin();
    for (const float level : levels) {
        const EField field = formatEField(level);
        next = std::copy(field.begin(), field.end(), next);
    }
    *next++ = '\r';
    *next = '\n';
    return line;
}

}  // namespace opbaff
