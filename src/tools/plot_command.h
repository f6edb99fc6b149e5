// opbaff-design plot: one FRD file per response column and a plot of the
// levels, from one parameter file.
#pragma once

#include <string>

#include "tools/command_line.h"
#include "tools/phase.h"
#include "tools/plot.h"

namespace opbaff::tools {

struct PlotOptions {
    std::string parameterFile = "Opbaffin.txt";
    OutputOptions output;
    std::string columns;  // comma-separated names or numbers; empty: every response
};

// Reads the file, writes the FRD files of the chosen columns and the plot
// "opbaff-response.svg" (".png") as one set, and returns the exit status.
int runPlot(const PlotOptions& options, const ToolIo& io);

}  // namespace opbaff::tools
