// opbaff-design's command line: its subcommands, each adding itself to the
// application, and the whole program as one function.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model_choice.h"
#include "phase.h"
#include "plot.h"
#include "tool_io.h"

namespace CLI {
class App;
}

namespace opbaff::tools {

// What a subcommand leaves behind once its options are parsed: the run.
using Runner = std::function<int(ToolIo&)>;

// Options that several commands share.
struct OutputOptions {
    std::string outputDir = ".";
    bool png = false;
    std::string grid = "standard";
    std::string phase = "driver";
    std::string model = "classic";
    bool baffleOnly = false;

    ModelChoice modelChoice() const {
        return model == "accurate" ? ModelChoice::accurate : ModelChoice::classic;
    }
    DriverHighPass highPass() const {
        return baffleOnly ? DriverHighPass::leftOut : DriverHighPass::included;
    }
    // The baffle's own levels go with the baffle's own phase.
    PhaseMode phaseMode() const {
        return phase == "baffle" || baffleOnly ? PhaseMode::baffle : PhaseMode::driver;
    }
    PlotFormat format() const { return png ? PlotFormat::png : PlotFormat::svg; }
};

// --output-dir, --png, --grid, --model and (with `phase`) --phase and
// --baffle-only, which excludes --phase.
void addOutputOptions(CLI::App& command, OutputOptions& options, bool phase);

// The subcommands; each sets `runner` when it is the one on the command line.
void addPlotCommand(CLI::App& app, Runner& runner);
void addCheckCommand(CLI::App& app, Runner& runner);
void addSweepCommands(CLI::App& app, Runner& runner);  // sweep and compare
void addPolarCommand(CLI::App& app, Runner& runner);
void addServeCommand(CLI::App& app, Runner& runner);
void addEqCommand(CLI::App& app, Runner& runner);
void addOptimiseCommand(CLI::App& app, Runner& runner);

// Runs the program on its arguments (without the program's name) and returns
// the exit status: 0 done, 1 a warning or an output failure, 2 a bad command
// line or input that cannot be read. --help and --version print to io.out.
// With `impliedCommand`, the program is that command under its own name
// (opbaff-view is plot): the arguments are the command's, and its help
// names the program alone.
int runDesignTool(const std::vector<std::string>& arguments, ToolIo& io,
                  const std::string& impliedCommand = {});

}  // namespace opbaff::tools
