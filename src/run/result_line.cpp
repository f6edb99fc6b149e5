#include <algorithm>

#include "api/fp_environment.h"
#include "opbaff/result_file.h"
#include "run/e_field.h"

namespace opbaff {

ResultLine formatResultLine(const std::array<float, 4>& levels) {
    const ExactEnvironment exact;
    return resultLineOf(levels);
}

ResultLine resultLineOf(const std::array<float, 4>& levels) {
    ResultLine line{};
    auto next = line.begin();
    for (const float level : levels) {
        const EField field = eFieldOf(level);
        next = std::copy(field.begin(), field.end(), next);
    }
    *next++ = '\r';
    *next = '\n';
    return line;
}

}  // namespace opbaff
