#include "configfile/file_commands.h"

#include <system_error>

#include "platform/utf8_path.h"

namespace kavro {

namespace fs = std::filesystem;

fs::path DefaultDataFolder(const fs::path& home) {
#ifdef _WIN32
    (void)home;
    return "C:\\KavroSwitch";
#else
    return home / "KavroSwitch";
#endif
}

ConfigFileCommands::ConfigFileCommands(ConfigScreen& screen, FileWindows& ui, fs::path dataFolder)
    : existsWindow_("FileError", "Form1", kExistsText, std::nullopt, {8490, 1560}),
      missingWindow_("FileErrorImport", "Form1", kMissingText, std::nullopt, {10440, 1830}),
      resultWindow_("FileMsg", "", "", kMessageGreen, {3900, 975}),
      screen_(screen),
      ui_(ui),
      dataFolder_(std::move(dataFolder)) {}

void ConfigFileCommands::ensureDataFolder() const {
    std::error_code error;
    if (!fs::is_directory(dataFolder_, error)) fs::create_directories(dataFolder_, error);
}

// Shows the shared dialog; false when cancelled. A name chosen without an
// extension gets the default one.
bool ConfigFileCommands::choose(FileDialogMode mode) {
    dialog_.initialFolder = Utf8FromPath(dataFolder_);
    dialog_.cancelReported = true;
    dialog_.filters = {kConfigFilter, kAllFilter};
    if (!ui_.showFileDialog(dialog_, mode)) return false;
    fs::path chosen = PathFromUtf8(dialog_.fileName);
    if (!chosen.has_extension() && !dialog_.defaultExtension.empty() && !chosen.filename().empty())
        chosen += "." + dialog_.defaultExtension;
    dialog_.fileName = Utf8FromPath(chosen);
    return !dialog_.fileName.empty();
}

void ConfigFileCommands::showResult(const std::string& text, Rgb colour, std::vector<std::string> details) {
    resultWindow_.setVisible(true);
    resultWindow_.setColour(colour);
    resultWindow_.setText(text);
    resultWindow_.setDetails(std::move(details));
    ui_.showMessageWindow(resultWindow_);
}

void ConfigFileCommands::record(FileEvent::Kind kind, std::string detail, bool ok) {
    lastEvent_ = {kind, dialog_.fileName, std::move(detail), ok};
    ++events_;
}

std::string FileEventText(const FileEvent& e) {
    switch (e.kind) {
    case FileEvent::Kind::Saved: return "Saved " + e.file;
    case FileEvent::Kind::NotSaved: return "Export Config: " + e.file + " not saved: " + e.detail;
    case FileEvent::Kind::Loaded: return "Loaded " + e.file;
    case FileEvent::Kind::NotLoaded: return "Import Config: " + e.file + ": " + e.detail;
    default: return "Compared with " + e.file + ": " + e.detail;
    }
}

void ConfigFileCommands::exportConfig() {
    ensureDataFolder();
    dialog_.fileName = kProposedName;
    dialog_.defaultExtension = kDefaultExt;
    if (!choose(FileDialogMode::Save)) return;

    const fs::path file = PathFromUtf8(dialog_.fileName);
    const WriteResult result = WriteConfigFile(file, screen_);
    if (result.outcome == WriteOutcome::Exists) {
        record(FileEvent::Kind::NotSaved, "a file of that name exists", false);
        existsWindow_.setVisible(true);
        ui_.showMessageWindow(existsWindow_);
    } else if (result.outcome == WriteOutcome::Failed) {
        // Earlier versions said nothing and left half a file; this one leaves none and says so.
        record(FileEvent::Kind::NotSaved, result.detail, false);
        ui_.messageBox("The configuration was not saved to " + dialog_.fileName + ": " + result.detail + ".",
                       kProgramCaption);
    } else {
        record(FileEvent::Kind::Saved);
    }
}

// Import and compare: an existing file from the open dialog, or the
// window that says there is none.
bool ConfigFileCommands::chooseExistingFile() {
    ensureDataFolder();
    return choose(FileDialogMode::Open) && fileExists();
}

// The file chosen exists, or the window says there is none.
bool ConfigFileCommands::fileExists() {
    std::error_code error;
    if (fs::exists(PathFromUtf8(dialog_.fileName), error)) return true;
    missingWindow_.setVisible(true);
    ui_.showMessageWindow(missingWindow_);
    return false;
}

void ConfigFileCommands::importConfig() {
    if (chooseExistingFile()) load();
}

void ConfigFileCommands::importFile(const std::string& path) {
    dialog_.fileName = path;
    if (fileExists()) load();
}

void ConfigFileCommands::load() {
    int lastRecord = 0;
    switch (LoadConfigFile(PathFromUtf8(dialog_.fileName), screen_, &lastRecord)) {
    case LoadOutcome::BadFileType:
        record(FileEvent::Kind::NotLoaded, std::string(kBadFileType) + ", nothing loaded", false);
        showResult(kBadFileType, kMessageRed);
        break;
    case LoadOutcome::ReadError:
        record(FileEvent::Kind::NotLoaded,
               std::string(kReadError) + (lastRecord > 1 ? ", loaded records 1 to " + std::to_string(lastRecord)
                                                         : ", nothing loaded"),
               false);
        showResult(kReadError, kMessageRed);
        break;
    case LoadOutcome::CannotOpen: record(FileEvent::Kind::NotLoaded, "cannot be opened", false); break;
    case LoadOutcome::Loaded: record(FileEvent::Kind::Loaded); break;
    }
    lastEvent_.lastRecord = lastRecord;
}

CompareResult ConfigFileCommands::compareWithScreen() const {
    return CompareConfigFile(PathFromUtf8(dialog_.fileName), screen_);
}

void ConfigFileCommands::compareWithFile() {
    if (!chooseExistingFile()) return;
    const CompareResult result = compareWithScreen();
    if (result.outcome == CompareOutcome::Identical) {
        record(FileEvent::Kind::Compared, "identical");
        showResult(kIdentical, kMessageGreen);
    } else if (result.outcome == CompareOutcome::Different) {
        // What the screen shows first; fields its channels leave unused after.
        std::vector<std::string> shown, hidden;
        for (const Difference& d : result.differences)
            (d.hidden ? hidden : shown)
                .push_back(d.field + ": file " + d.fileValue + ", screen " + d.screenValue +
                           (d.hidden ? "  (hidden: not used on the screen)" : ""));
        record(FileEvent::Kind::Compared,
               std::to_string(shown.size()) + " shown and " + std::to_string(hidden.size()) + " hidden fields differ",
               false);
        shown.insert(shown.end(), hidden.begin(), hidden.end());
        showResult(kDifferent, kMessageRed, std::move(shown));
    } else {
        record(FileEvent::Kind::Compared, "the file cannot be read", false);
    }
}

}  // namespace kavro
