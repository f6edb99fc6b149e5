#include "tool_test_support.h"

#include <expat.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "command_line.h"

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

ProcessRun runProcess(const std::vector<std::string>& arguments, const std::filesystem::path& dir,
                      const std::vector<std::string>& extraEnvironment) {
    const TempDir capture;
    const std::string outPath = capture.file("out");
    const std::string errPath = capture.file("err");
    std::vector<std::string> environment = extraEnvironment;
    for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
    std::vector<char*> argv;
    std::vector<char*> envp;
    argv.reserve(arguments.size() + 1);
    envp.reserve(environment.size() + 1);
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 ||
            ::chdir(dir.c_str()) != 0) {
            ::_exit(126);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    while (child > 0 && ::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    ProcessRun run;
    if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    run.out = readFile(outPath);
    run.err = readFile(errPath);
    return run;
}

std::map<std::string, std::string> snapshot(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const std::string& name : entriesOf(dir)) files[name] = readFile(dir / name);
    return files;
}

std::vector<FrdRow> frdRows(const std::string& text) {
    std::vector<FrdRow> rows;
    std::istringstream lines(frdDataText(text));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        FrdRow row;
        fields >> row.frequencyHz >> row.levelDb >> row.phaseDeg;
        rows.push_back(row);
    }
    return rows;
}

void PrintTo(const FrdRow& row, std::ostream* out) {
    *out << row.frequencyHz << " Hz " << row.levelDb << " dB " << row.phaseDeg << " degrees";
}

std::string frdDataText(const std::string& text) {
    std::istringstream lines(text);
    std::string data;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] != '*') data += line + "\n";
    }
    return data;
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
