#include "opbaff/opbaff.h"

#define OPBAFF_TEXT(x) #x
#define OPBAFF_VERSION_TEXT(major, minor, patch) \
    OPBAFF_TEXT(major) "." OPBAFF_TEXT(minor) "." OPBAFF_TEXT(patch)

namespace opbaff {

const char* versionText() {
    return OPBAFF_VERSION_TEXT(OPBAFF_VERSION_MAJOR, OPBAFF_VERSION_MINOR, OPBAFF_VERSION_PATCH);
}

}  // namespace opbaff
