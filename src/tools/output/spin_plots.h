// The two plots of a spin (opbaff/spin.h): its five curves of levels, and its
// two directivity indices.
#pragma once

#include <string>
#include <vector>

#include "opbaff/spin.h"
#include "plot.h"

namespace opbaff::tools {

// "<name> spin<ext>" and "<name> spin di<ext>", titled "Spin: <title>" and
// "Spin DIs: <title>".
std::vector<Picture> spinPictures(const Spin& spin, const std::string& name,
                                  const std::string& title, PlotFormat format);

}  // namespace opbaff::tools
