// opbaff-design serve: the studio, a page to design a baffle in the browser,
// served with its JSON API on a local web server.
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "command_line.h"
#include "parameter_source.h"
#include "program_search.h"
#include "studio_server.h"
#include "studio_stop_signals.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): for posix_spawn

namespace opbaff::tools {
namespace {

struct ServeOptions {
    std::string parameterFile = "Opbaffin.txt";
    bool fileGiven = false;
    std::string host = "127.0.0.1";
    int port = 8080;
    bool open = false;
    double stopAfterSeconds = 0.0;  // 0: only a signal stops the server
};

bool isLoopback(const std::string& host) {
    return host == "localhost" || host.starts_with("127.") || host == "::1";
}

std::string urlOf(const std::string& host, int port) {
    const bool ipv6 = host.find(':') != std::string::npos;
    return "http://" + (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port) + "/";
}

// Reads the starting file, once: a parameter file named on the command line
// must read; Opbaffin.txt in the working folder may be missing, and one that
// does not read is a warning.
int readStartingFile(const ServeOptions& options, const ToolIo& io, StartingDesign& start) {
    std::error_code ignored;
    if (!options.fileGiven && !std::filesystem::exists(options.parameterFile, ignored)) {
        return kExitDone;
    }
    const std::string name = std::filesystem::path(options.parameterFile).filename().string();
    auto file = readParameterFile(options.parameterFile);
    if (file) {
        start = {file->design, name, ""};
        return kExitDone;
    }
    io.report(readFailureTextOfFile(options.parameterFile, options.parameterFile, file.error()) +
              (options.fileGiven ? "" : "; the studio starts from the example"));
    if (options.fileGiven) return kExitBadInput;
    // The page shows the file's name, never its folder.
    start.problem = readFailureTextOfFile(options.parameterFile, name, file.error());
    return kExitWarning;
}

// Room for every connection the server takes, and its own files besides.
void raiseFileLimit(std::size_t connections) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    const rlim_t wanted = std::min<rlim_t>(limit.rlim_max, connections + 256);
    if (limit.rlim_cur < wanted) {
        limit.rlim_cur = wanted;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// Fixed thresholds for the allocator: a large answer's memory is mapped and
// returned when freed, and a thread's heap gives back what it no longer uses,
// so that a burst of requests leaves the server near its idle size. (The
// allocator's own thresholds grow with the largest block freed, and would keep
// up to twice the largest answer on every thread.)
void returnFreedMemory() {
    constexpr int kMappedFrom = 256 * 1024;
    ::mallopt(M_MMAP_THRESHOLD, kMappedFrom);
    ::mallopt(M_TRIM_THRESHOLD, 2 * kMappedFrom);
}

// Starts the desktop's browser on the page; 0 when it could not.
pid_t openBrowser(const std::string& url, const ToolIo& io) {
    const auto opener = findProgram("xdg-open", io.searchPath);
    if (!opener) {
        io.report("xdg-open not found: open " + url + " in a browser");
        return 0;
    }
    std::string program = *opener;
    std::string address = url;
    char* arguments[] = {program.data(), address.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, arguments, environ) != 0) {
        io.report("could not start " + program + ": open " + url + " in a browser");
        return 0;
    }
    return pid;
}

int runServe(const ServeOptions& options, ToolIo& io) {
    StudioSettings settings;
    int status = readStartingFile(options, io, settings.start);
    if (status == kExitBadInput) return status;
    const ServerLimits limits;
    raiseFileLimit(limits.connections);
    returnFreedMemory();
    // Before any thread starts, so that the server's threads inherit the mask.
    const StopSignals signals;
    StudioServer server(std::move(settings), limits);
    const auto port = server.bind(options.host, options.port);
    if (!port) {
        io.report(port.error());
        return kExitBadInput;
    }
    const std::string url = urlOf(options.host, *port);
    io.out << "opbaff studio: " << url << '\n';
    if (!isLoopback(options.host)) {
        io.out << "opbaff studio: warning: the page has no login; anyone who can reach " << url
               << " can use it\n";
    }
    io.out << std::flush;

    std::atomic<bool> ended = false;
    std::thread serving([&] {
        server.run();
        ended = true;
    });
    const pid_t browser = options.open ? openBrowser(url, io) : 0;
    if (options.open && browser == 0) status = kExitWarning;
    std::optional<std::chrono::steady_clock::time_point> deadline;
    if (options.stopAfterSeconds > 0) {
        deadline = std::chrono::steady_clock::now() +
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                       std::chrono::duration<double>(options.stopAfterSeconds));
    }
    signals.wait(deadline, [&] { return ended.load(); });
    server.stop();
    serving.join();
    if (browser != 0) ::waitpid(browser, nullptr, WNOHANG);
    return status;
}

}  // namespace

void addServeCommand(CLI::App& app, Runner& runner) {
    auto options = std::make_shared<ServeOptions>();
    CLI::App* command = app.add_subcommand(
        "serve",
        "Serve the studio: a page to design a baffle in the browser, with its JSON API under "
        "/api/, on a local web server. Prints the page's address.");
    command
        ->add_option("FILE", options->parameterFile,
                     "the parameter file the studio starts from (default: Opbaffin.txt in the "
                     "working folder if there is one, else the shipped example)")
        ->type_name("FILE");
    command->add_option("--host", options->host, "the address to listen on")->capture_default_str();
    command->add_option("--port", options->port, "the port to listen on (0: any free port)")
        ->check(CLI::Range(0, 65535))
        ->capture_default_str();
    command->add_flag("--open", options->open, "open the page in the desktop's browser");
    command
        ->add_option("--stop-after", options->stopAfterSeconds,
                     "stop by itself after this many seconds")
        ->type_name("SECONDS")
        ->check(CLI::PositiveNumber);
    command->callback([options, command, &runner] {
        options->fileGiven = command->count("FILE") > 0;
        runner = [options](ToolIo& io) { return runServe(*options, io); };
    });
}

}  // namespace opbaff::tools
