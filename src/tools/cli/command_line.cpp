#include "command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "opbaff/opbaff.h"

namespace opbaff::tools {
namespace {

// The usage line of a command run under a program's own name: the program's
// name as typed, without the command's.
class ImpliedCommandFormatter : public CLI::Formatter {
  public:
    explicit ImpliedCommandFormatter(std::string program) : program_(std::move(program)) {}
    std::string make_usage(const CLI::App* app, std::string /*name*/) const override {
        return CLI::Formatter::make_usage(app, program_);
    }

  private:
    std::string program_;
};

}  // namespace

void addOutputOptions(CLI::App& command, OutputOptions& options, bool phase) {
    command
        .add_option("--output-dir", options.outputDir, "write the files into DIR (made if missing)")
        ->type_name("DIR");
    command.add_flag("--png", options.png, "draw plots as PNG instead of SVG");
    command
        .add_option("--grid", options.grid,
                    "'standard' (the program's 81 frequencies, levels identical to OPBAFF.bds) "
                    "or N points per octave from 10 Hz to 20 kHz")
        ->type_name("standard|N")
        ->capture_default_str();
    command
        .add_option("--model", options.model,
                    "'classic' (the program's model: its levels on the standard grid) or "
                    "'accurate' (edge diffraction of every order on a thin rigid plate)")
        ->check(CLI::IsMember({"classic", "accurate"}))
        ->capture_default_str();
    if (phase) {
        CLI::Option* phaseOption =
            command
                .add_option("--phase", options.phase,
                            "FRD phase: 'driver' (with the driver's high-pass: minimum phase) or "
                            "'baffle' (the baffle's interference alone)")
                ->check(CLI::IsMember({"driver", "baffle"}))
                ->capture_default_str();
        command
            .add_flag("--baffle-only", options.baffleOnly,
                      "the baffle's own response: the driver's high-pass left out of every "
                      "level (FRD phase 'baffle')")
            ->excludes(phaseOption);
    }
}

int runDesignTool(const std::vector<std::string>& given, ToolIo& io,
                  const std::string& impliedCommand) {
    std::vector<std::string> arguments = given;
    if (!impliedCommand.empty()) arguments.insert(arguments.begin(), impliedCommand);
    CLI::App app{
        "Designs open baffles with the opbaff model: checks parameter files, plots and "
        "exports responses, sweeps and compares designs, computes directivity, and "
        "serves an interactive studio.",
        io.programName};
    app.set_version_flag("--version", io.programName + " " + versionText());
    app.require_subcommand(1);
    app.footer(
        "Exit status: 0 done; 1 a warning (notes from check, levels that are not finite, gnuplot "
        "missing) or an output file "
        "that could not be written; 2 a bad command line or a parameter file that cannot be "
        "read.\nRun '" +
        io.programName + " COMMAND --help' for a command's options.\n");
    Runner runner;
    addPlotCommand(app, runner);
    addCheckCommand(app, runner);
    addSweepCommands(app, runner);
    addPolarCommand(app, runner);
    addServeCommand(app, runner);
    addEqCommand(app, runner);
    addOptimiseCommand(app, runner);
    if (!impliedCommand.empty()) {
        app.get_subcommand(impliedCommand)
            ->formatter(std::make_shared<ImpliedCommandFormatter>(io.programName));
    }

    // A first word that names no command would otherwise only be told that a
    // command is required.
    const std::vector<const CLI::App*> commands =
        std::as_const(app).get_subcommands([](const CLI::App*) { return true; });
    const auto isCommand = [&](const std::string& word) {
        return std::any_of(commands.begin(), commands.end(),
                           [&](const CLI::App* command) { return command->check_name(word); });
    };
    if (!arguments.empty() && !arguments.front().starts_with("-") &&
        !isCommand(arguments.front())) {
        std::string names;
        for (const CLI::App* command : commands) {
            names += (names.empty() ? "" : ", ") + command->get_name();
        }
        io.report("unknown command '" + arguments.front() + "' (commands: " + names +
                  "; try --help)");
        return kExitBadInput;
    }
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error, io.out, io.err);
        return status == 0 ? kExitDone : kExitBadInput;
    }
    return runner ? runner(io) : kExitBadInput;
}

}  // namespace opbaff::tools
