// Names that would be code if they reached a gnuplot script as code: file
// names, folder names and --name with line ends, quotes, backquotes,
// system(...) calls, semicolons and bytes that are not UTF-8, through the real
// opbaff-design. Nothing of them runs, the pictures are whole, and where a
// picture shows a name it shows it with its control characters as symbols.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "program_search.h"
#include "tool_test_support.h"

namespace opbaff::tools {
namespace {

using test::TempDir;

struct HostileName {
    const char* name;
    std::string text;   // a file name without '/'
    std::string shown;  // how a picture's label shows it
};

const HostileName kNames[] = {
    {"line_ends", "b\nsystem(\"touch PWNED\")\n", "b\u240asystem(\"touch PWNED\")\u240a"},
    {"data_block_end", "x\nEOD\nsystem(\"touch PWNED\")\n#",
     "x\u240aEOD\u240asystem(\"touch PWNED\")\u240a#"},
    {"quotes", "it's\"'; system(\"touch PWNED\"); '", "it's\"'; system(\"touch PWNED\"); '"},
    {"backquotes", "`touch PWNED`", "`touch PWNED`"},
    {"semicolons", "a; system(\"touch PWNED\"); b @c", "a; system(\"touch PWNED\"); b @c"},
    {"not_utf8", "n\xff\xfe\xc3 \xe2\x82", "n\ufffd\ufffd\ufffd \ufffd\ufffd"},
    {"controls", "c\r\t\x1b[1m\x7f\\", "c\u240d\u2409\u241b[1m\u2421\\"},
};

enum class Command { plot, polar, sweep, compare };

struct HostileCase {
    Command command;
    HostileName name;
};

const char* commandName(Command command) {
    switch (command) {
        case Command::plot:
            return "plot";
        case Command::polar:
            return "polar";
        case Command::sweep:
            return "sweep";
        case Command::compare:
            break;
    }
    return "compare";
}

void PrintTo(const HostileCase& c, std::ostream* out) {
    *out << commandName(c.command) << "_" << c.name.name;
}

// The command line with the name in every place it can go, and the picture
// that shows it, if any.
std::vector<std::string> commandLine(const HostileCase& c, const std::string& file,
                                     const std::string& outDir) {
    const std::string exe = OPBAFF_DESIGN_EXE;
    switch (c.command) {
        case Command::plot:
            return {exe, "plot", "--output-dir", outDir, file};
        case Command::polar:
            return {exe,         "polar",        "--name", c.name.text, "--angles",
                    "-30:30:30", "--output-dir", outDir,   file};
        case Command::sweep:
            return {exe,  "sweep",        "--frd", "--file",
                    file, "--output-dir", outDir,  "width=50:60:10"};
        case Command::compare:
            break;
    }
    return {exe, "compare", "--frd", "--output-dir", outDir, file, "Opbaffin.txt"};
}

std::vector<std::string> pictures(const HostileCase& c) {
    switch (c.command) {
        case Command::plot:
            return {"opbaff-response.svg"};
        case Command::polar:
            return {c.name.text + "-sonogram.svg", c.name.text + "-polar.svg"};
        case Command::sweep:
            return {"opbaff-sweep.svg"};
        case Command::compare:
            break;
    }
    return {"opbaff-compare.svg"};
}

bool anythingNamedPwned(const std::filesystem::path& dir) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (entry.path().filename() == "PWNED") return true;
    }
    return false;
}

class HostileNameTest : public testing::TestWithParam<HostileCase> {};

TEST_P(HostileNameTest, NothingRunsAndThePicturesShowTheName) {
    if (!findProgram("gnuplot", "/usr/bin:/bin")) GTEST_SKIP() << "gnuplot is not installed";
    const HostileCase& c = GetParam();
    const TempDir work;
    const std::string parameters =
        test::readFile(test::referenceFile("rectangular-off-centre", "Opbaffin.txt"));
    test::writeFile(work.path() / "Opbaffin.txt", parameters);
    const std::string file = c.name.text + ".txt";
    test::writeFile(work.path() / file, parameters);
    const std::filesystem::path outDir = work.path() / ("out " + c.name.text) / c.name.text;
    std::filesystem::create_directories(outDir);

    const test::ProcessRun run = test::runProcess(commandLine(c, file, outDir.string()),
                                                  work.path(), {"PATH=/usr/bin:/bin"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_FALSE(anythingNamedPwned(work.path()));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "PWNED"));
    for (const std::string& picture : pictures(c)) {
        const test::XmlCheck svg = test::parseXml(test::readFile(outDir / picture));
        EXPECT_EQ(svg.root, "svg") << picture;
        if (c.command == Command::compare) {
            EXPECT_NE(svg.text.find(c.name.shown + ".txt"), std::string::npos) << svg.text;
        }
    }
    for (const std::string& entry : test::entriesOf(outDir)) {
        EXPECT_FALSE(entry.starts_with(".")) << "left behind: " << entry;
    }
}

std::vector<HostileCase> everyCase() {
    std::vector<HostileCase> cases;
    for (const Command command :
         {Command::plot, Command::polar, Command::sweep, Command::compare}) {
        for (const HostileName& name : kNames) cases.push_back({command, name});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Names, HostileNameTest, testing::ValuesIn(everyCase()),
                         [](const testing::TestParamInfo<HostileCase>& info) {
                             return std::string(commandName(info.param.command)) + "_" +
                                    info.param.name.name;
                         });

}  // namespace
}  // namespace opbaff::tools
