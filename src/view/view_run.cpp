#include "view/view_run.h"

#include <optional>
#include <variant>
#include <vector>

#include "view/frd_text.h"
#include "view/output_stage.h"
#include "view/parameter_source.h"
#include "view/parameter_text.h"
#include "view/plot_file.h"
#include "view/program_version.h"
#include "view/response_columns.h"

namespace opbaff::view {
namespace {

void report(std::ostream& errors, const std::string& message) {
    errors << kProgramName << ": " << message << '\n';
}

// All FRD files appear together, or none does.
std::optional<std::string> writeFrdFiles(const Response& response,
                                         const std::vector<OutputColumn>& columns,
                                         const ParameterFile& parameters,
                                         const ViewOptions& options) {
    OutputStage stage(options.outputDir);
    for (const OutputColumn& column : columns) {
        const std::string text = frdText(response, column, parameters, options.parameterFile);
        if (auto problem = stage.stage(column.fileName, text)) return problem;
    }
    return stage.commit();
}

}  // namespace

int runView(const ViewOptions& options, const std::string& searchPath, std::ostream& errors) {
    const LoadedParameters loaded = loadParameters(options.parameterFile);
    if (const auto* problem = std::get_if<ParameterProblem>(&loaded)) {
        report(errors, problem->message);
        return kExitBadInput;
    }
    const ParameterFile& parameters = std::get<ParameterFile>(loaded);
    const Response response = computeResponse(parameters.design);
    const std::vector<OutputColumn> columns = outputColumns(parameters.design);

    if (auto problem = writeFrdFiles(response, columns, parameters, options)) {
        report(errors, *problem);
        return kExitOutputFailed;
    }
    const PlotRequest request{plotTitle(parameters.design), options.format, options.outputDir,
                              searchPath};
    const PlotResult plot = writePlot(response, columns, request);
    if (plot.outcome == PlotOutcome::written) return kExitDone;
    report(errors, plot.message);
    return plot.outcome == PlotOutcome::rendererMissing ? kExitDone : kExitOutputFailed;
}

}  // namespace opbaff::view
