#include "format/code_text.h"

#include <algorithm>

namespace opbaff {

Code CodeText::code() const {
    Code code = makeCode("");
    const auto kept = static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(length_, kept_.size()));
    const auto* end = std::find(kept_.begin(), kept_.begin() + kept, '\0');
    std::copy(kept_.begin(), end, code.begin());
    return code;
}

}  // namespace opbaff
