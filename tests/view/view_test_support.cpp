#include "view_test_support.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace opbaff::view::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "opbaff-view-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::set<std::string> entriesOf(const std::filesystem::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

void writeScript(const std::filesystem::path& path, const std::string& body) {
    writeFile(path, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

std::string noGnuplotPath(const TempDir& dir) {
    const std::filesystem::path empty = dir.path() / "empty-bin";
    std::filesystem::create_directories(empty);
    return empty.string();
}

}  // namespace opbaff::view::test
