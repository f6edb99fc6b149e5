#include "tools/polar.h"

namespace opbaff::tools {

Result<std::vector<float>, std::string> parseAngles(std::string_view) {
    return std::string("not built yet");
}

Result<PolarSet, std::string> computePolarSet(const Design&, const FrequencyGrid&,
                                              const std::vector<float>&, int) {
    return std::string("not built yet");
}

}  // namespace opbaff::tools
