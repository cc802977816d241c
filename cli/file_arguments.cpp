#include "cli/file_arguments.h"

#include <filesystem>
#include <iostream>

#include "cli/printed_text.h"
#include "platform/utf8_path.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kavro::cli {
namespace {

namespace fs = std::filesystem;

bool CanWriteFolder(const fs::path& folder) {
#ifdef _WIN32
    (void)folder;
    return true;  // the write itself tells
#else
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
#endif
}

// Whether `folder` is the data folder, not there yet: the same name in the
// same parent (the home folder), however either is written.
bool IsMissingDataFolder(const fs::path& folder, const fs::path& dataFolder) {
    std::error_code ec;
    if (dataFolder.empty() || fs::exists(fs::symlink_status(folder, ec))) return false;
    const fs::path parent = folder.parent_path().empty() ? fs::path(".") : folder.parent_path();
    return folder.filename() == dataFolder.filename() && fs::equivalent(parent, dataFolder.parent_path(), ec);
}

void BinaryStandardStreams() {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

}  // namespace

std::optional<ConfigBytes> ReadConfigArgument(const std::string& name, std::string* error) {
    if (name == "-") {
        BinaryStandardStreams();
        return ReadConfigBytes(std::cin);
    }
    const fs::path path = PathFromUtf8(name);
    std::error_code ec;
    if (!fs::exists(path, ec)) *error = ShownName(name) + ": no such file";
    else if (fs::is_directory(path, ec)) *error = ShownName(name) + " is a folder";
    else if (const auto bytes = ReadConfigBytes(path)) return bytes;
    else *error = ShownName(name) + ": cannot be read";
    return std::nullopt;
}

bool LoadConfigArgument(const std::string& name, const ConfigBytes& bytes, ConfigScreen& screen, std::string* error) {
    const LoadOutcome loaded = LoadConfig(bytes, screen);
    if (loaded == LoadOutcome::Loaded) return true;
    *error = ShownName(name) + ": " + LoadProblem(loaded);
    return false;
}

std::string OutputProblem(const std::string& name, bool force, const fs::path& dataFolder) {
    if (name == "-") return {};
    const fs::path path = PathFromUtf8(name);
    std::error_code ec;
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    const std::string shown = ShownName(name);
    if (IsMissingDataFolder(folder, dataFolder) && !fs::create_directory(folder, ec) && ec)
        return "the folder " + ShownName(Utf8FromPath(folder)) + " cannot be made: " + ec.message();
    if (!fs::is_directory(folder, ec)) return "the folder " + ShownName(Utf8FromPath(folder)) + " does not exist";
    if (!CanWriteFolder(folder)) return "the folder " + ShownName(Utf8FromPath(folder)) + " cannot be written";
    const fs::file_status link = fs::symlink_status(path, ec);
    if (fs::is_symlink(link))
        return fs::exists(path, ec) ? shown + " is a link; --force replaces regular files only"
                                    : shown + " is a link to nothing";
    if (!fs::exists(link)) return {};
    if (fs::is_directory(link)) return shown + " is a folder";
    if (!fs::is_regular_file(link)) return shown + " is not a regular file (a device?); it is never replaced";
    if (!force) return shown + " exists already (--force replaces it)";
    return {};
}

bool WriteConfigArgument(const std::string& name, const ConfigScreen& screen, bool force, std::string* error) {
    if (name == "-") {
        const auto bytes = ConfigFileBytes(screen);
        if (!bytes) {
            *error = "a text is too long for its record";
            return false;
        }
        BinaryStandardStreams();
        std::cout.write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
        std::cout.flush();
        if (!std::cout) *error = "standard output cannot be written";
        return static_cast<bool>(std::cout);
    }
    if (const std::string problem = OutputProblem(name, force); !problem.empty()) {
        *error = problem;
        return false;
    }
    const WriteResult written = WriteConfigFile(PathFromUtf8(name), screen, force);
    if (written.outcome == WriteOutcome::Written) return true;
    *error = written.outcome == WriteOutcome::Exists ? ShownName(name) + " exists already (--force replaces it)"
                                                     : ShownName(name) + ": not saved: " + written.detail;
    return false;
}

}  // namespace kavro::cli
