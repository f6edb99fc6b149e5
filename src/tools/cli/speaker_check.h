// opbaff-design check on a speaker file: its speaker in a summary or as JSON,
// with the notes on its geometry, or the reader's error with its place.
#pragma once

#include <string>

#include "tool_io.h"

namespace opbaff::tools {

// Returns 0 when there is no note, 1 when there are notes, 2 when the file
// cannot be read.
int runSpeakerCheck(const std::string& fileName, bool json, ToolIo& io);

}  // namespace opbaff::tools
