#include "parameter_source.h"

#include "file_slips.h"

namespace opbaff::tools {

std::string readFailureText(const std::string& name, const ReadFailure& failure) {
    return failure.describe(name);
}

std::string readFailureText(const std::string& name, const ReadFailure& failure,
                            std::string_view bytes) {
    const auto hint = fileSlipHint(bytes, failure);
    return failure.describe(name) + (hint ? ". Hint: " + *hint : "");
}

std::string readFailureTextOfFile(const std::string& path, const std::string& name,
                                  const ReadFailure& failure) {
    const auto bytes = leadingBytes(path);
    return bytes ? readFailureText(name, failure, *bytes) : readFailureText(name, failure);
}

Result<ParameterFile, std::string> loadParameterFile(const std::string& path) {
    Result<ParameterFile, ReadFailure> result = readParameterFile(path);
    if (!result) return readFailureTextOfFile(path, path, result.error());
    return std::move(result).value();
}

}  // namespace opbaff::tools
