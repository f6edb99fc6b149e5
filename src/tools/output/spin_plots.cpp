#include "spin_plots.h"

#include "spin_curves.h"

namespace opbaff::tools {
namespace {

// The spin's curves of levels, or of its two directivity indices.
std::vector<Curve> spinCurves(const Spin& spin, bool directivity) {
    std::vector<Curve> curves;
    const std::vector<float> frequencies(spin.frequenciesHz.begin(), spin.frequenciesHz.end());
    for (const SpinColumn& column : kSpinColumns) {
        if (column.directivity != directivity) continue;
        const std::vector<double>& levels = spin.*column.curve;
        curves.push_back({column.label, frequencies, {levels.begin(), levels.end()}, false});
    }
    return curves;
}

}  // namespace

std::vector<Picture> spinPictures(const Spin& spin, const std::string& name,
                                  const std::string& title, PlotFormat format) {
    std::vector<Picture> pictures;
    for (const bool directivity : {false, true}) {
        pictures.push_back(
            {name + (directivity ? " spin di" : " spin") + pictureExtension(format), format,
             [curves = spinCurves(spin, directivity), format, directivity, title] {
                 return responsePlotScript(curves, (directivity ? "Spin DIs: " : "Spin: ") + title,
                                           format);
             }});
    }
    return pictures;
}

}  // namespace opbaff::tools
