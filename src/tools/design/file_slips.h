// The common slips behind a parameter file that cannot be read, guessed from
// its bytes: a byte-order mark or UTF-16 (as some editors save), a remark line
// where a value belongs, a value left out. The reader says where reading broke;
// a hint says what probably went wrong before it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "opbaff/parameter_file.h"

namespace opbaff::tools {

// How much of a file a hint looks at: a parameter file is 15 short lines.
inline constexpr std::size_t kHintBytes = std::size_t{64} * 1024;

// One sentence on the probable cause of `failure` in a file of these bytes, or
// nothing when no common slip fits: "the file starts with a UTF-8 byte-order
// mark ...", "line 1 holds a remark ...", "record 7 (driverDiameterCm) or
// record 8 (resonanceHz) is probably missing ...". cannotOpen gives nothing.
std::optional<std::string> fileSlipHint(std::string_view bytes, const ReadFailure& failure);

// The first kHintBytes of a regular file, or nothing: a FIFO or a device is
// not read a second time, since its bytes are gone.
std::optional<std::string> leadingBytes(const std::string& path);

}  // namespace opbaff::tools
