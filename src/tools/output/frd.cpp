#include "frd.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "opbaff/opbaff.h"
#include "words.h"

namespace opbaff::tools {
namespace {

const char* phaseComment(PhaseMode mode) {
    if (mode == PhaseMode::driver) {
        return "* phase: the driver's second-order high-pass and the baffle's interference,\n"
               "* without the common delay of the way to the listener (minimum phase)\n";
    }
    return "* phase: the baffle's interference alone, without the common delay of the way\n"
           "* to the listener and without the driver's own high-pass\n";
}

}  // namespace

std::string formatReal(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string frdDataLine(const Response& response, std::size_t column, std::size_t i,
                        const Design& design, PhaseMode mode) {
    const float frequency = response.frequenciesHz[i];
    const float level = response.columns[column].levelsDb[i];
    const double phase =
        responsePhaseDegrees(response.columns[column].values[i], design, frequency, mode);
    if (!std::isfinite(level) || !std::isfinite(phase)) return {};
    return formatReal(frequency) + " " + formatReal(level) + " " + formatPhase(phase) + "\n";
}

std::string frdText(const Response& response, std::size_t column, const Design& design,
                    PhaseMode mode, const std::vector<std::string>& comments) {
    std::string data;
    std::size_t leftOut = 0;
    for (std::size_t i = 0; i < response.frequenciesHz.size(); ++i) {
        const std::string line = frdDataLine(response, column, i, design, mode);
        if (line.empty()) ++leftOut;
        data += line;
    }
    std::string text;
    for (const std::string& comment : comments) text += "* " + printableAscii(comment) + "\n";
    text += phaseComment(mode);
    if (leftOut > 0) {
        text +=
            "* " + std::to_string(leftOut) + " frequencies without a finite level are left out\n";
    }
    return text + "* frequency (Hz), level (dB), phase (degrees)\n" + data;
}

bool hasDataLine(const std::string& frd) {
    std::size_t start = 0;
    while (start < frd.size()) {
        if (frd[start] != '*' && frd[start] != '\n') return true;
        const std::size_t end = frd.find('\n', start);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return false;
}

std::vector<std::string> frdComments(const std::string& description, const Design& design,
                                     const std::string& source) {
    std::vector<std::string> comments = {
        description, modelWords(design.model),
        std::string("written by opbaff ") + versionText() + " from " + source};
    const std::vector<std::string> lines = designLines(design);
    std::transform(lines.begin(), lines.end(), std::back_inserter(comments),
                   [](const std::string& line) { return "  " + line; });
    return comments;
}

}  // namespace opbaff::tools
