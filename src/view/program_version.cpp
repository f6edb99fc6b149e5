#include "view/program_version.h"

#ifndef OPBAFF_VERSION
#error "the build defines OPBAFF_VERSION"
#endif

namespace opbaff::view {

const char* programVersion() {
    return OPBAFF_VERSION;
}

}  // namespace opbaff::view
