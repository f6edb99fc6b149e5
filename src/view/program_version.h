// The tool's name and version, for its messages and the files it writes.
#pragma once

namespace opbaff::view {

inline constexpr const char* kProgramName = "opbaff-view";

// The project's version, as the build sets it ("1.0.0").
const char* programVersion();

}  // namespace opbaff::view
