#include "shell/version.h"

namespace kavro {

Version ProgramVersion() {
    return {KAVRO_VERSION_MAJOR, KAVRO_VERSION_MINOR, KAVRO_VERSION_PATCH};
}

std::string VersionText(const Version& v) {
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision);
}

std::string VersionedTitle(const std::string& caption, const Version& version) {
    std::string title = caption + "  -  Version " + std::to_string(version.major) + "." +
                        std::to_string(version.minor);
    if (version.revision != 0) title += "." + std::to_string(version.revision);
    return title;
}

}  // namespace kavro
