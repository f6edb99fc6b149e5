#include "view/plot_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "view/output_stage.h"
#include "view/program_search.h"

namespace opbaff::view {
namespace {

PlotResult failure(const std::string& message) {
    return {PlotOutcome::failed, message};
}

bool isNonEmptyFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && status.st_size > 0;
}

// The script goes to its own temporary file, which gnuplot reads as its input.
std::optional<std::string> runScript(const std::string& gnuplot, const std::string& scriptPath,
                                     const std::string& script) {
    std::FILE* file = std::fopen(scriptPath.c_str(), "w");
    if (file == nullptr) return scriptPath + ": " + std::strerror(errno);
    const bool written = std::fwrite(script.data(), 1, script.size(), file) == script.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) return scriptPath + ": " + std::strerror(errno);
    const std::optional<std::string> reason = runWithInput(gnuplot, scriptPath);
    if (reason) return "gnuplot failed (" + *reason + ")";
    return std::nullopt;
}

}  // namespace

PlotResult writePlot(const Response& response, const std::vector<OutputColumn>& columns,
                     const PlotRequest& request) {
    const std::optional<std::string> gnuplot = findProgram("gnuplot", request.searchPath);
    if (!gnuplot) return {PlotOutcome::rendererMissing, "gnuplot not found; plot not written"};

    const std::string finalPath = pathIn(request.outputDir, plotFileName(request.format));
    int error = 0;
    const std::optional<std::string> picture = createTemporaryBeside(finalPath, error);
    if (!picture) return failure(finalPath + ": " + std::strerror(error));
    const std::optional<std::string> scriptPath =
        createTemporaryBeside(pathIn(request.outputDir, "opbaff-response.gp"), error);
    if (!scriptPath) {
        ::unlink(picture->c_str());
        return failure(finalPath + ": " + std::strerror(error));
    }

    const std::string script =
        plotScript(response, columns, request.title, request.format, *picture);
    std::optional<std::string> problem = runScript(*gnuplot, *scriptPath, script);
    ::unlink(scriptPath->c_str());
    if (!problem && !isNonEmptyFile(*picture)) problem = "gnuplot wrote no picture";
    if (!problem && std::rename(picture->c_str(), finalPath.c_str()) != 0) {
        problem = finalPath + ": " + std::strerror(errno);
    }
    if (problem) {
        ::unlink(picture->c_str());
        return failure(*problem + "; plot not written");
    }
    return {};
}

}  // namespace opbaff::view
