#pragma once
// A file written whole or not at all: under a short temporary name in the
// same folder, moved into place when complete. Configuration files, the
// journal's copies and reports are all written this way, so a full disk or
// a crash never leaves half a file under the name a user looks for.

#include <filesystem>
#include <string>
#include <string_view>

namespace kavro {

enum class WriteOutcome { Written, Exists, Failed };
struct WriteResult {
    WriteOutcome outcome = WriteOutcome::Failed;
    std::string detail;  // what went wrong, in the system's words
};

// Writes the bytes to a new file; an existing file or folder is never
// touched. With replace (a user's explicit choice) an existing regular
// file is replaced in one step, keeping its permissions.
WriteResult WriteWholeFile(const std::filesystem::path& file, std::string_view bytes, bool replace = false);

}  // namespace kavro
