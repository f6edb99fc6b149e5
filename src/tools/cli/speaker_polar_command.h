// opbaff-design polar on a speaker file: each driver's and the summed
// speaker's FRD sets of both planes about the speaker's reference point, and
// with --spin the spin of each.
#pragma once

#include <string>

#include "plot.h"
#include "tool_io.h"

namespace opbaff::tools {

struct SpeakerPolarOptions {
    std::string speakerFile;
    std::string outputDir = ".";
    std::string grid;                      // empty: the speaker's own grid
    std::string angles = "-180:180:10";    // horizontal
    std::string vertical = "-180:180:10";  // vertical
    std::string name;                      // empty: the speaker's name, made safe
    int jobs = 1;
    bool spin = false;
    PlotFormat format = PlotFormat::svg;
};

// Returns 0 when every file was written, 1 when the model failed or the files
// could not be written, 2 when the speaker file or an option is bad.
int runSpeakerPolar(const SpeakerPolarOptions& options, const ToolIo& io);

}  // namespace opbaff::tools
