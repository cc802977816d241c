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

ConfigFileCommands::ConfigFileCommands(ConfigScreen& screen, UiServices& ui, fs::path dataFolder)
    : FileError("FileError", "Form1", kExistsText, std::nullopt, {8490, 1560}),
      FileErrorImport("FileErrorImport", "Form1", kMissingText, std::nullopt, {10440, 1830}),
      FileMsg("FileMsg", "", "", kMessageGreen, {3900, 975}),
      screen_(screen),
      ui_(ui),
      dataFolder_(std::move(dataFolder)) {}

void ConfigFileCommands::EnsureDataFolder() const {
    std::error_code error;
    if (!fs::is_directory(dataFolder_, error)) fs::create_directories(dataFolder_, error);
}

// Shows the shared dialog; false when cancelled. A name chosen without an
// extension gets the default one.
bool ConfigFileCommands::Choose(FileDialogMode mode) {
    cmd.InitDir = Utf8FromPath(dataFolder_);
    cmd.CancelError = true;
    if (!ui_.showFileDialog(cmd, mode)) return false;
    fs::path chosen = PathFromUtf8(cmd.FileName);
    if (!chosen.has_extension() && !cmd.DefaultExt.empty() && !chosen.filename().empty())
        chosen += "." + cmd.DefaultExt;
    cmd.FileName = Utf8FromPath(chosen);
    return !cmd.FileName.empty();
}

void ConfigFileCommands::ShowFileMsg(const std::string& text, Rgb colour, std::vector<std::string> details) {
    FileMsg.setVisible(true);
    FileMsg.setColour(colour);
    FileMsg.setText(text);
    FileMsg.setDetails(std::move(details));
    ui_.showMessageWindow(FileMsg);
}

void ConfigFileCommands::Record(FileEvent::Kind kind, std::string detail, bool ok) {
    lastEvent_ = {kind, cmd.FileName, std::move(detail), ok};
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

void ConfigFileCommands::Export_Click() {
    EnsureDataFolder();
    cmd.FileName = kProposedName;
    cmd.DefaultExt = kDefaultExt;
    if (!Choose(FileDialogMode::Save)) return;

    const fs::path file = PathFromUtf8(cmd.FileName);
    std::error_code error;
    const WriteResult result =
        fs::exists(file, error) ? WriteResult{WriteOutcome::Exists, {}} : WriteConfigFile(file, screen_);
    if (result.outcome == WriteOutcome::Exists) {
        Record(FileEvent::Kind::NotSaved, "a file of that name exists", false);
        FileError.setVisible(true);
        ui_.showMessageWindow(FileError);
    } else if (result.outcome == WriteOutcome::Failed) {
        // The original said nothing and left half a file; we leave none and say so.
        Record(FileEvent::Kind::NotSaved, result.detail, false);
        ui_.messageBox("The configuration was not saved to " + cmd.FileName + ": " + result.detail + ".",
                       kProgramCaption);
    } else {
        Record(FileEvent::Kind::Saved);
    }
}

// Import and compare: an existing file from the open dialog, or the
// window that says there is none.
bool ConfigFileCommands::ChooseExistingFile() {
    EnsureDataFolder();
    if (!Choose(FileDialogMode::Open)) return false;
    std::error_code error;
    if (fs::exists(PathFromUtf8(cmd.FileName), error)) return true;
    FileErrorImport.setVisible(true);
    ui_.showMessageWindow(FileErrorImport);
    return false;
}

void ConfigFileCommands::Import_Click() {
    if (!ChooseExistingFile()) return;
    switch (LoadConfigFile(PathFromUtf8(cmd.FileName), screen_)) {
    case LoadOutcome::BadFileType:
        Record(FileEvent::Kind::NotLoaded, std::string(kBadFileType) + ", nothing loaded", false);
        ShowFileMsg(kBadFileType, kMessageRed);
        break;
    case LoadOutcome::ReadError:
        Record(FileEvent::Kind::NotLoaded, std::string(kReadError) + ", loaded up to the damaged record", false);
        ShowFileMsg(kReadError, kMessageRed);
        break;
    case LoadOutcome::CannotOpen: Record(FileEvent::Kind::NotLoaded, "cannot be opened", false); break;
    case LoadOutcome::Loaded: Record(FileEvent::Kind::Loaded); break;
    }
}

CompareResult ConfigFileCommands::CompToScreen() const {
    return CompareConfigFile(PathFromUtf8(cmd.FileName), screen_);
}

void ConfigFileCommands::Compare_Click() {
    if (!ChooseExistingFile()) return;
    const CompareResult result = CompToScreen();
    if (result.outcome == CompareOutcome::Identical) {
        Record(FileEvent::Kind::Compared, "identical");
        ShowFileMsg(kIdentical, kMessageGreen);
    } else if (result.outcome == CompareOutcome::Different) {
        // What the screen shows first; fields its channels leave unused after.
        std::vector<std::string> shown, hidden;
        for (const Difference& d : result.differences)
            (d.hidden ? hidden : shown)
                .push_back(d.field + ": file " + d.fileValue + ", screen " + d.screenValue +
                           (d.hidden ? "  (hidden: not used on the screen)" : ""));
        Record(FileEvent::Kind::Compared,
               std::to_string(shown.size()) + " shown and " + std::to_string(hidden.size()) + " hidden fields differ",
               false);
        shown.insert(shown.end(), hidden.begin(), hidden.end());
        ShowFileMsg(kDifferent, kMessageRed, std::move(shown));
    } else {
        Record(FileEvent::Kind::Compared, "the file cannot be read", false);
    }
}

}  // namespace kavro
