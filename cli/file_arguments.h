#pragma once
// Configuration files named on the command line: "-" is standard input or
// output, a pipe or process substitution works like a file, and a target
// is checked before anything touches the line.

#include <filesystem>
#include <optional>
#include <string>

#include "configfile/config_records.h"

namespace kavro::cli {

// The bytes of a configuration file argument; nothing, with the reason in
// error, when it cannot be read.
std::optional<ConfigBytes> ReadConfigArgument(const std::string& name, std::string* error);

// Loads the bytes of a file argument into the screen; false with the reason
// in error.
bool LoadConfigArgument(const std::string& name, const ConfigBytes& bytes, ConfigScreen& screen, std::string* error);

// Why a file could not be saved under this name (empty: it can). With
// force an existing regular file may be replaced, never a folder, a device
// or what a link points at. The data folder (~/KavroSwitch), missing on a
// fresh account, is made when it is the file's folder, as the window makes
// it for Export and the history for its files; no other folder is.
std::string OutputProblem(const std::string& name, bool force, const std::filesystem::path& dataFolder = {});

// Writes the screen as a configuration file, whole or not at all; false
// with the reason in error.
bool WriteConfigArgument(const std::string& name, const ConfigScreen& screen, bool force, std::string* error);

}  // namespace kavro::cli
