// The speaker file on disk: bounded reads of it and of its FRD files, its
// errors as text, and whether a text is one.
#include <filesystem>
#include <fstream>
#include <system_error>

#include "opbaff/speaker_file.h"

namespace opbaff {
namespace {

// At most `limit` bytes of a regular file, or why not.
Result<std::string, FrdLoadError> boundedRead(const std::filesystem::path& path,
                                              std::size_t limit) {
    std::error_code code;
    if (!std::filesystem::is_regular_file(path, code)) {
        return FrdLoadError{code ? "cannot be opened: " + code.message()
                                 : "is not a regular file or does not exist"};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return FrdLoadError{"cannot be opened"};
    std::string text(limit + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) return FrdLoadError{"cannot be read"};
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > limit) {
        return FrdLoadError{"is larger than " + std::to_string(limit) + " bytes"};
    }
    return text;
}

}  // namespace

std::string speakerFileErrorText(const SpeakerFileError& error) {
    std::string text = error.file;
    if (error.line > 0) {
        text.append(":").append(std::to_string(error.line));
        if (error.column > 0) text.append(":").append(std::to_string(error.column));
    }
    text.append(": ");
    if (!error.key.empty()) text.append(error.key).append(": ");
    return text.append(error.message);
}

Result<SpeakerInUnit, SpeakerFileError> readSpeakerFileInUnit(const std::string& path) {
    auto text = boundedRead(path, kMaxSpeakerFileBytes);
    if (!text) return SpeakerFileError{path, 0, 0, "", "the file " + text.error().message};
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    const FrdLoader loader =
        [&folder](const std::string& name) -> Result<std::string, FrdLoadError> {
        auto frd = boundedRead(folder / name, kMaxFrdFileBytes);
        if (!frd) return FrdLoadError{"the FRD file \"" + name + "\" " + frd.error().message};
        return frd;
    };
    return parseSpeakerTextInUnit(*text, path, loader);
}

Result<Speaker, SpeakerFileError> readSpeakerFile(const std::string& path) {
    auto read = readSpeakerFileInUnit(path);
    if (!read) return read.error();
    return std::move(read->speaker);
}

bool looksLikeSpeakerFile(std::string_view text) {
    std::size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;  // a byte-order mark
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string compact;
        for (const char c : text.substr(start, end - start)) {
            if (c == '#') break;
            if (c != ' ' && c != '\t' && c != '\r') compact += c;
        }
        if (compact == "[baffle]" || compact == "[[driver]]") return true;
        start = end + 1;
    }
    return false;
}

}  // namespace opbaff
