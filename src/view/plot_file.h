// Rendering the plot with gnuplot into the output folder, all or nothing: the
// picture is drawn under a temporary name and renamed only when gnuplot
// succeeded.
#pragma once

#include <string>
#include <vector>

#include "opbaff/response.h"
#include "view/plot_script.h"
#include "view/response_columns.h"

namespace opbaff::view {

enum class PlotOutcome { written, rendererMissing, failed };

struct PlotResult {
    PlotOutcome outcome = PlotOutcome::written;
    std::string message;  // for rendererMissing and failed: follows "opbaff-view: "
};

struct PlotRequest {
    std::string title;
    PlotFormat format = PlotFormat::svg;
    std::string outputDir = ".";
    std::string searchPath;  // where to look for gnuplot, as in PATH
};

PlotResult writePlot(const Response& response, const std::vector<OutputColumn>& columns,
                     const PlotRequest& request);

}  // namespace opbaff::view
