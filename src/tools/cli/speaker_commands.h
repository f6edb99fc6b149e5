// The commands plot, sweep and eq on a speaker file: what they share.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "opbaff/speaker_file.h"
#include "tool_io.h"

namespace opbaff::tools {

// True if the file at `path` reads as a speaker file by its first 64 KiB.
bool isSpeakerFile(const std::string& path);

// The speaker file read with its unit, or its error reported (false).
std::optional<SpeakerInUnit> loadSpeakerFile(const std::string& path, const ToolIo& io);

// Why output options that do not apply to a speaker file were given: a speaker
// is computed on its file's [grid], on the plate model, with its own phase.
std::optional<std::string> speakerOutputProblem(const OutputOptions& output,
                                                const std::string& defaultGrid);

// "<driver>" -> "opbaff-driver-<safe name>.frd": a file name per driver, told
// apart from "opbaff-sum.frd" and from each other.
std::vector<std::string> driverFrdNames(const Speaker& speaker);

int runSpeakerPlot(const std::string& fileName, const OutputOptions& output, const ToolIo& io);

struct SpeakerSweepOptions {
    std::string fileName;
    std::vector<std::string> specs;
    OutputOptions output;
    std::string band;
    int jobs = 1;
    bool frd = false;
    bool plot = false;
    bool noPlot = false;
};
int runSpeakerSweep(const SpeakerSweepOptions& options, ToolIo& io);

}  // namespace opbaff::tools
