#include "library_test_support.h"

#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace opbaff::test {

std::vector<std::string> referenceCaseNames() {
    std::vector<std::string> names;
    const std::filesystem::directory_iterator folders(std::filesystem::path(OPBAFF_TEST_DATA) /
                                                      "golden");
    std::transform(begin(folders), end(folders), std::back_inserter(names),
                   [](const auto& entry) { return entry.path().filename().string(); });
    std::sort(names.begin(), names.end());
    return names;
}

std::filesystem::path referenceCaseFile(const std::string& name, const std::string& file) {
    return std::filesystem::path(OPBAFF_TEST_DATA) / "golden" / name / file;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string resultFileBytes(const Response& response) {
    std::string bytes;
    for (std::size_t i = 0; i < response.frequenciesHz.size(); ++i) {
        const ResultLine line = formatResultLine(response.row(i));
        bytes.append(line.begin(), line.end());
    }
    return bytes;
}

std::string testName(std::string text) {
    for (char& c : text) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0) c = '_';
    }
    return text;
}

int runProgramIn(const std::filesystem::path& dir) {
    const std::string command = "cd '" + dir.string() + "' && '" OPBAFF_EXE "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace opbaff::test
