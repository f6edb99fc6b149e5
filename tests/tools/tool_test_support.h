// Folders and files for the tool's tests.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace opbaff::tools::test {

using opbaff::test::TempDir;

// The names of the entries of a folder, hidden ones included.
std::set<std::string> entriesOf(const std::filesystem::path& dir);

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& content);

// A shell script file with the given body, made executable.
void writeScript(const std::filesystem::path& path, const std::string& body);

// A folder for PATH that holds no gnuplot.
std::string noGnuplotPath(const TempDir& dir);

// A file of a reference case in tests/data/golden.
std::string referenceFile(const std::string& caseName, const std::string& file);

// opbaff-design run in this process on the arguments, with gnuplot looked up
// on `searchPath`.
struct ToolRun {
    int status = 0;
    std::string out;
    std::string err;
};
ToolRun runTool(const std::vector<std::string>& arguments,
                const std::string& searchPath = "/usr/bin:/bin");

// A program started directly (no shell) in `dir` with `arguments` (the first
// is the program), the environment with `extraEnvironment` ("NAME=value")
// added; its standard output and error kept.
struct ProcessRun {
    int exitStatus = -1;  // when it exited
    int signal = 0;       // when a signal ended it
    std::string out;
    std::string err;
};
ProcessRun runProcess(const std::vector<std::string>& arguments, const std::filesystem::path& dir,
                      const std::vector<std::string>& extraEnvironment = {});

// An FRD text's data lines in order, comment lines ('*') and empty ones skipped.
struct FrdRow {
    double frequencyHz = 0.0;
    double levelDb = 0.0;
    double phaseDeg = 0.0;
    bool operator==(const FrdRow&) const = default;
};
void PrintTo(const FrdRow& row, std::ostream* out);  // "20 Hz -3.5 dB 90 degrees"
std::vector<FrdRow> frdRows(const std::string& text);

// The same data lines as text, each ended by '\n': two files' data compared
// byte for byte.
std::string frdDataText(const std::string& text);

// Each file of a folder, hidden ones included, with its contents.
std::map<std::string, std::string> snapshot(const std::filesystem::path& dir);

// An XML document parsed whole: its root element and all its character data
// (an SVG's labels). An empty root means the parser rejected the document.
struct XmlCheck {
    std::string root;
    std::string text;
};
XmlCheck parseXml(const std::string& document);

}  // namespace opbaff::tools::test
