#include "configfile/whole_file.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kavro {
namespace {

namespace fs = std::filesystem;

// Short whatever the file's name: a name near the file system's limit of
// 255 would not leave room for a longer one.
fs::path TemporaryName() {
    std::random_device random;
    char name[32];
    std::snprintf(name, sizeof name, ".kavro-%08x.part", static_cast<unsigned>(random()));
    return name;
}

// Makes what was written to a file (or a folder's list of names) reach
// the disk before anything that names it: a backup the journal records
// must be there after a power cut. Windows writes a closed file through
// on its own; there nothing more is done.
void ReachTheDisk(const fs::path& path) {
#ifndef _WIN32
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
#else
    (void)path;
#endif
}

// Moves the finished file to its name unless something already has that
// name. A hard link is atomic about it; where the file system has none
// (FAT on a memory stick), a check just before the rename serves.
bool MoveIntoPlace(const fs::path& from, const fs::path& to, WriteResult& result) {
    std::error_code error;
#ifndef _WIN32
    if (::link(from.c_str(), to.c_str()) == 0) return true;
    if (errno == EEXIST) {
        result.outcome = WriteOutcome::Exists;
        return false;
    }
#endif
    if (fs::exists(to, error)) {
        result.outcome = WriteOutcome::Exists;
        return false;
    }
    fs::rename(from, to, error);
    if (error) {
        result.detail = error.message();
        return false;
    }
    return true;
}

// The file being written under a temporary name goes, whatever ends the
// write: once it has its own name (renamed or linked to it) only the
// temporary name is removed.
struct TemporaryFile {
    fs::path path;
    ~TemporaryFile() {
        std::error_code error;
        fs::remove(path, error);
    }
};

}  // namespace

WriteResult WriteWholeFile(const fs::path& file, std::string_view bytes, bool replace) {
    WriteResult result;
    std::error_code error;
    if (fs::is_directory(file, error) || (!replace && (fs::exists(file, error) || fs::is_symlink(file, error)))) {
        result.outcome = WriteOutcome::Exists;
        return result;
    }
    const TemporaryFile guard{file.parent_path() / TemporaryName()};
    const fs::path& temporary = guard.path;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            result.detail = "the folder cannot be written";
            return result;
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            result.detail = "the disk refused the data (full or write-protected?)";
            return result;
        }
    }
    ReachTheDisk(temporary);
    if (replace) {
        // The file replaced keeps its permissions: a file only its owner
        // may read stays so.
        if (const fs::file_status old = fs::status(file, error); !error && fs::exists(old))
            fs::permissions(temporary, old.permissions(), fs::perm_options::replace, error);
        error.clear();
        fs::rename(temporary, file, error);
        if (error) {
            result.detail = error.message();
            return result;
        }
    } else if (!MoveIntoPlace(temporary, file, result)) {
        return result;
    }
    ReachTheDisk(file.parent_path().empty() ? fs::path(".") : file.parent_path());
    result.outcome = WriteOutcome::Written;
    return result;
}

}  // namespace kavro
