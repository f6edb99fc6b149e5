#include "program_search.h"

#include <sys/stat.h>
#include <unistd.h>

namespace opbaff::tools {
namespace {

bool isExecutableFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::string> findProgram(std::string_view name, std::string_view searchPath) {
    while (true) {
        const std::size_t colon = searchPath.find(':');
        const std::string_view dir = searchPath.substr(0, colon);
        const std::string candidate =
            dir.empty() ? std::string(name) : std::string(dir) + "/" + std::string(name);
        if (isExecutableFile(candidate)) return candidate;
        if (colon == std::string_view::npos) return std::nullopt;
        searchPath.remove_prefix(colon + 1);
    }
}

}  // namespace opbaff::tools
