#include "view/view_run.h"

#include <optional>
#include <variant>
#include <vector>

#include "model/run_constants.h"
#include "view/frd_text.h"
#include "view/output_stage.h"
#include "view/parameter_source.h"
#include "view/parameter_text.h"
#include "view/plot_file.h"
#include "view/program_version.h"
#include "view/response_columns.h"
#include "view/response_table.h"

namespace opbaff::view {
namespace {

void report(std::ostream& errors, const std::string& message) {
    errors << kProgramName << ": " << message << '\n';
}

// All FRD files appear together, or none does.
std::optional<std::string> writeFrdFiles(const ResponseTable& table,
                                         const std::vector<ResponseColumn>& columns,
                                         const ParameterSet& parameters,
                                         const ViewOptions& options) {
    OutputStage stage(options.outputDir);
    for (const ResponseColumn& column : columns) {
        const std::string text = frdText(table, column, parameters, options.parameterFile);
        if (auto problem = stage.stage(column.fileName, text)) return problem;
    }
    return stage.commit();
}

}  // namespace

int runView(const ViewOptions& options, const std::string& searchPath, std::ostream& errors) {
    const RunConstants constants = makeRunConstants();
    const LoadedParameters loaded = loadParameters(options.parameterFile, constants.pi);
    if (const auto* problem = std::get_if<ParameterProblem>(&loaded)) {
        report(errors, problem->message);
        return kExitBadInput;
    }
    const ParameterSet& parameters = std::get<ParameterSet>(loaded);
    const ResponseTable table = computeResponseTable(parameters, constants);
    const std::vector<ResponseColumn> columns = responseColumns(parameters);

    if (auto problem = writeFrdFiles(table, columns, parameters, options)) {
        report(errors, *problem);
        return kExitOutputFailed;
    }
    const PlotRequest request{plotTitle(parameters), options.format, options.outputDir, searchPath};
    const PlotResult plot = writePlot(table, columns, request);
    if (plot.outcome == PlotOutcome::written) return kExitDone;
    report(errors, plot.message);
    return plot.outcome == PlotOutcome::rendererMissing ? kExitDone : kExitOutputFailed;
}

}  // namespace opbaff::view
