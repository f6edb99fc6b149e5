#include "speaker_frd.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "frd.h"
#include "opbaff/opbaff.h"
#include "words.h"

namespace opbaff::tools {
namespace {

// The value with `decimals` decimals, as "%.*f" gives it (std::to_chars:
// several times faster on a set of thousands of lines).
std::string fixed(double value, int decimals) {
    std::array<char, 400> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value,
                                   std::chars_format::fixed, decimals);
    return {text.data(), end.ptr};
}

constexpr const char* kPhaseRemark =
    "phase: time factor exp(+jwt), a positive phase leads; the drivers' delays against the "
    "reference point's way to the listener are in the phase";

// The phase with six decimals, within (-180, 180] after rounding.
std::string phaseText(double degrees) {
    std::string text = fixed(degrees, 6);
    return std::strtod(text.c_str(), nullptr) <= -180.0 ? fixed(180.0, 6) : text;
}

// A length in metres as the remarks give it: "0.2 m".
std::string metres(double value) {
    return fixed(value, 4) + " m";
}

}  // namespace

std::vector<std::string> speakerRemarks(const Speaker& speaker, const std::string& what,
                                        double distanceM, const std::string& source) {
    return {
        what,
        std::string("written by opbaff ") + versionText() + " from " + source + ", speaker \"" +
            speaker.name + "\"",
        "pressure relative to a unit point source on an infinite baffle at the reference "
        "point, heard at the same place, " +
            metres(distanceM) + " from the reference point",
        std::string(kPhaseRemark),
        "reference point x = " + metres(speaker.referenceM.x) +
            ", y = " + metres(speaker.referenceM.y) +
            " from the baffle's lower left corner, seen from the front",
    };
}

std::string speakerFrdText(const std::vector<float>& frequenciesHz,
                           const std::vector<std::complex<double>>& values,
                           const std::vector<std::string>& remarks) {
    std::string data;
    std::size_t leftOut = 0;
    for (std::size_t i = 0; i < frequenciesHz.size() && i < values.size(); ++i) {
        const double magnitude = std::abs(values[i]);
        if (!std::isfinite(magnitude) || !(magnitude > 0.0)) {
            ++leftOut;
            continue;
        }
        const double phase = std::arg(values[i]) * 180.0 / std::numbers::pi;
        data += formatReal(frequenciesHz[i]) + " " + fixed(20.0 * std::log10(magnitude), 6) + " " +
                phaseText(phase) + "\n";
    }
    std::string text;
    for (const std::string& remark : remarks) text += "* " + printableAscii(remark) + "\n";
    if (leftOut > 0) {
        text += "* " + std::to_string(leftOut) +
                " frequencies without a finite, non-zero pressure are left out\n";
    }
    return text + "* frequency (Hz), level (dB), phase (degrees)\n" + data;
}

}  // namespace opbaff::tools
