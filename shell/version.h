#pragma once
// The program's version and the titles built from it. The numbers come
// from the build (project version in CMakeLists.txt), held in one place.

#include <string>

namespace kavro {

struct Version {
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// The version this program was built as.
Version ProgramVersion();

// "3.1.1": the version as --version prints it and the history keeps it.
std::string VersionText(const Version& version);

// caption + "  -  Version " + major.minor, plus ".revision" unless it is 0.
std::string VersionedTitle(const std::string& caption, const Version& version);

}  // namespace kavro
