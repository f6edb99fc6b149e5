#include "view/parameter_source.h"

namespace opbaff::view {

LoadedParameters loadParameters(const std::string& path) {
    Result<ParameterFile, ReadFailure> result = readParameterFile(path);
    if (!result) {
        const ReadFailure& failure = result.error();
        if (failure.error == ReadError::cannotOpen) return ParameterProblem{failure.message()};
        return ParameterProblem{path + ": " + failure.message()};
    }
    return std::move(result).value();
}

}  // namespace opbaff::view
