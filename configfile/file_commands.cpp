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

void ConfigFileCommands::Export_Click() {
    EnsureDataFolder();
    cmd.FileName = kProposedName;
    cmd.DefaultExt = kDefaultExt;
    if (!Choose(FileDialogMode::Save)) return;

    const fs::path file = PathFromUtf8(cmd.FileName);
    std::error_code error;
    if (fs::exists(file, error)) {
        FileError.setVisible(true);
        ui_.showMessageWindow(FileError);
        return;
    }
    const WriteResult result = WriteConfigFile(file, screen_);
    if (result.outcome == WriteOutcome::Exists) {
        FileError.setVisible(true);
        ui_.showMessageWindow(FileError);
    } else if (result.outcome == WriteOutcome::Failed) {
        // The original said nothing and left half a file; we leave none and say so.
        ui_.messageBox("The configuration was not saved to " + cmd.FileName + ": " + result.detail + ".",
                       kProgramCaption);
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
    case LoadOutcome::BadFileType: ShowFileMsg(kBadFileType, kMessageRed); break;
    case LoadOutcome::ReadError: ShowFileMsg(kReadError, kMessageRed); break;
    default: break;  // loaded, or could not be opened: no message
    }
}

CompareResult ConfigFileCommands::CompToScreen() const {
    return CompareConfigFile(PathFromUtf8(cmd.FileName), screen_);
}

void ConfigFileCommands::Compare_Click() {
    if (!ChooseExistingFile()) return;
    const CompareResult result = CompToScreen();
    if (result.outcome == CompareOutcome::Identical) {
        ShowFileMsg(kIdentical, kMessageGreen);
    } else if (result.outcome == CompareOutcome::Different) {
        std::vector<std::string> lines;
        for (const Difference& d : result.differences)
            lines.push_back(d.field + ": file " + d.fileValue + ", screen " + d.screenValue);
        ShowFileMsg(kDifferent, kMessageRed, std::move(lines));
    }
}

}  // namespace kavro
