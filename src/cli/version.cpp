#include "cli/version.h"

#include "cli/build_version.h"

std::string VersionText(const char* program) {
    std::string text = std::string(program) + " " + QLO_VERSION;
    if (*QLO_SOURCE_REVISION) text += std::string(" (source ") + QLO_SOURCE_REVISION + ")";
    return text + "\n";
}
