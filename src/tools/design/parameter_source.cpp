#include "parameter_source.h"

namespace opbaff::tools {

std::string readFailureText(const std::string& name, const ReadFailure& failure) {
    return failure.describe(name);
}

Result<ParameterFile, std::string> loadParameterFile(const std::string& path) {
    Result<ParameterFile, ReadFailure> result = readParameterFile(path);
    if (!result) return readFailureText(path, result.error());
    return std::move(result).value();
}

}  // namespace opbaff::tools
