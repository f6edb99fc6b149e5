// What every command of the toolkit works with: where its text goes, where to
// look for helper programs, and its exit statuses.
#pragma once

#include <ostream>
#include <string>

namespace opbaff::tools {

inline constexpr int kExitDone = 0;
inline constexpr int kExitWarning = 1;   // a warning, or an output file that could not be written
inline constexpr int kExitBadInput = 2;  // a bad command line, or input that cannot be read

struct ToolIo {
    std::ostream& out;
    std::ostream& err;
    std::string searchPath = "/usr/bin:/bin";  // where gnuplot is looked for, as PATH
    bool errIsTerminal = false;                // standard error shows a progress bar
    std::string programName = "opbaff-design";

    // "<program>: <message>" on standard error.
    void report(const std::string& message) const { err << programName << ": " << message << '\n'; }
};

}  // namespace opbaff::tools
