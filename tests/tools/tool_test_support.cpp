#include "tool_test_support.h"

#include <expat.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tools/command_line.h"

namespace opbaff::tools::test {

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

std::string referenceFile(const std::string& caseName, const std::string& file) {
    return (std::filesystem::path(OPBAFF_TEST_DATA) / "golden" / caseName / file).string();
}

ToolRun runTool(const std::vector<std::string>& arguments, const std::string& searchPath) {
    std::ostringstream out;
    std::ostringstream err;
    ToolIo io{out, err};
    io.searchPath = searchPath;
    const int status = runDesignTool(arguments, io);
    return {status, out.str(), err.str()};
}

namespace {

void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** /*attributes*/) {
    auto* check = static_cast<XmlCheck*>(data);
    if (check->root.empty()) check->root = name;
}

void XMLCALL onText(void* data, const XML_Char* text, int length) {
    static_cast<XmlCheck*>(data)->text.append(text, static_cast<std::size_t>(length));
}

}  // namespace

XmlCheck parseXml(const std::string& document) {
    XmlCheck check;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &check);
    XML_SetElementHandler(parser, onStart, nullptr);
    XML_SetCharacterDataHandler(parser, onText);
    const bool parsed =
        XML_Parse(parser, document.data(), static_cast<int>(document.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(parser);
    if (!parsed) check.root.clear();
    return check;
}

}  // namespace opbaff::tools::test
