#include "view/frd_text.h"

#include <cmath>
#include <cstdio>

#include "view/parameter_text.h"
#include "view/phase.h"
#include "view/program_version.h"

namespace opbaff::view {
namespace {

std::string commentLines(const OutputColumn& column, const ParameterFile& parameters,
                         std::string_view parameterFile) {
    std::string text = "* " + column.description + "\n";
    text += "* column " + std::to_string(column.index + 1) + " of OPBAFF.bds, " +
            modelWords(parameters.design.model) + "\n";
    text += "* written by " + std::string(kProgramName) + " " + programVersion() + " from " +
            printableAscii(std::string(parameterFile)) + "\n";
    for (const std::string& line : parameterLines(parameters)) text += "*   " + line + "\n";
    // The model takes the driver as the magnitude of its high-pass, so the
    // phase is that of the baffle's interference alone.
    text +=
        "* phase: of the complex sum behind the level, without the common delay of\n"
        "* the way to the listener; the driver's own high-pass enters by its magnitude only\n";
    return text;
}

}  // namespace

std::string formatReal(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string frdDataLine(const Response& response, std::size_t column, std::size_t i) {
    const float level = response.columns[column].levelsDb[i];
    const double phase = phaseDegrees(response.columns[column].values[i]);
    if (!std::isfinite(level) || !std::isfinite(phase)) return {};
    return formatReal(response.frequenciesHz[i]) + " " + formatReal(level) + " " +
           formatPhase(phase) + "\n";
}

std::string frdText(const Response& response, const OutputColumn& column,
                    const ParameterFile& parameters, std::string_view parameterFile) {
    std::string data;
    std::size_t leftOut = 0;
    for (std::size_t i = 0; i < response.frequenciesHz.size(); ++i) {
        const std::string line = frdDataLine(response, column.index, i);
        if (line.empty()) ++leftOut;
        data += line;
    }
    std::string text = commentLines(column, parameters, parameterFile);
    if (leftOut > 0) {
        text +=
            "* " + std::to_string(leftOut) + " frequencies without a finite level are left out\n";
    }
    return text + "* frequency (Hz), level (dB), phase (degrees)\n" + data;
}

}  // namespace opbaff::view
