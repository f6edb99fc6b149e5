// The studio page's files (every file under web/), compiled into the program:
// the server answers from these and reads nothing from disk.
#pragma once

#include <span>
#include <string_view>

namespace opbaff::tools {

struct EmbeddedFile {
    std::string_view path;     // where it is served: "/index.html", "/js/api.js"
    std::string_view content;  // its bytes
};

// Every file, in the order of their paths; defined in a source that the build generates
// from web/ (cmake/embed_assets.cmake).
std::span<const EmbeddedFile> embeddedFiles();

// The file served at a request's path ("/" is "/index.html"), or nullptr.
// Only an exact path finds a file: nothing is resolved or normalised.
const EmbeddedFile* findEmbeddedFile(std::string_view requestPath);

// The Content-Type of a file by its name: text/html, text/javascript, text/css,
// image/svg+xml, image/png, application/json, text/plain for LICENSE and .txt
// and .md files (each text type with charset=utf-8); anything else
// application/octet-stream.
std::string_view contentTypeOf(std::string_view path);

}  // namespace opbaff::tools
