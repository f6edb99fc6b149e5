#include "studio_assets.h"

#include <algorithm>
#include <array>
#include <utility>

namespace opbaff::tools {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 11> kTypes{{
    {".html", "text/html; charset=utf-8"},
    {".js", "text/javascript; charset=utf-8"},
    {".mjs", "text/javascript; charset=utf-8"},
    {".css", "text/css; charset=utf-8"},
    {".svg", "image/svg+xml"},
    {".png", "image/png"},
    {".json", "application/json"},
    {".txt", "text/plain; charset=utf-8"},
    {".md", "text/plain; charset=utf-8"},
    {".toml", "text/plain; charset=utf-8"},
    {"/LICENSE", "text/plain; charset=utf-8"},
}};

}  // namespace

const EmbeddedFile* findEmbeddedFile(std::string_view requestPath) {
    const std::string_view path = requestPath == "/" ? "/index.html" : requestPath;
    const std::span<const EmbeddedFile> files = embeddedFiles();
    const auto found = std::find_if(files.begin(), files.end(),
                                    [&](const EmbeddedFile& file) { return file.path == path; });
    return found != files.end() ? &*found : nullptr;
}

std::string_view contentTypeOf(std::string_view path) {
    for (const auto& [ending, type] : kTypes) {
        if (path.ends_with(ending)) return type;
    }
    return "application/octet-stream";
}

}  // namespace opbaff::tools
