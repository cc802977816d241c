#pragma once
// "Export Config", "Import Config" and "Compare": the screen to a new
// configuration file, a file into the screen, a file against the screen.
// files live in the data folder (C:\KavroSwitch on Windows, KavroSwitch in
// the home folder elsewhere), created when missing.

#include <filesystem>

#include "configfile/config_records.h"
#include "configfile/file_windows.h"
#include "editor/config_screen.h"

namespace kavro {

// What the last export, import or compare that got as far as a file did,
// for the status line.
struct FileEvent {
    enum class Kind { Saved, NotSaved, Loaded, NotLoaded, Compared } kind = Kind::Saved;
    std::string file;
    std::string detail;  // why not, or how the compare went
    bool ok = true;
    // A load: the number of the last record put into the screen (116 for a
    // whole file; less when the file is damaged and the load broke off).
    int lastRecord = 0;
};

class ConfigFileCommands {
public:
    static constexpr const char* kProposedName = "default.set";
    static constexpr const char* kDefaultExt = "set";
    static constexpr const char* kExistsText = "File already Exists, choose another File name";
    static constexpr const char* kMissingText = "Import file does not exist. Choose from file list.";
    static constexpr const char* kBadFileType = kavro::kBadFileType;
    static constexpr const char* kReadError = kavro::kReadError;
    static constexpr const char* kIdentical = "File is identical to screen";
    static constexpr const char* kDifferent = "File does not match screen";
    // The file dialog lists configuration files, and everything on request.
    static constexpr const char* kConfigFilter = "Configuration Files (*.set)";
    static constexpr const char* kAllFilter = "All Files (*)";

    ConfigFileCommands(ConfigScreen& screen, FileWindows& ui, std::filesystem::path dataFolder);

    void exportConfig();
    void importConfig();
    void compareWithFile();
    // Import of a file named without the dialog (the window's command
    // line, a file manager's double-click): the same checks, messages and
    // event, and the shared dialog proposes it afterwards.
    void importFile(const std::string& path);

    // The file last chosen in the shared dialog, compared with the screen.
    CompareResult compareWithScreen() const;

    // What the last command that got as far as a file did; the count
    // tells a new event from an old one.
    const FileEvent& lastEvent() const { return lastEvent_; }
    int events() const { return events_; }

    // The shared file dialog, and the three message windows.
    const CommonDialog& dialog() const { return dialog_; }
    const MessageWindow& existsWindow() const { return existsWindow_; }
    const MessageWindow& missingWindow() const { return missingWindow_; }
    const MessageWindow& resultWindow() const { return resultWindow_; }

private:
    void ensureDataFolder() const;
    bool choose(FileDialogMode mode);
    bool chooseExistingFile();
    bool fileExists();
    void load();
    void showResult(const std::string& text, Rgb colour, std::vector<std::string> details = {});
    void record(FileEvent::Kind kind, std::string detail = {}, bool ok = true);

    CommonDialog dialog_;
    MessageWindow existsWindow_;
    MessageWindow missingWindow_;
    MessageWindow resultWindow_;
    ConfigScreen& screen_;
    FileWindows& ui_;
    std::filesystem::path dataFolder_;
    FileEvent lastEvent_;
    int events_ = 0;
};

// The status line's words for a file event: "Saved /home/ana/KavroSwitch/site1.set".
std::string FileEventText(const FileEvent& event);

// Where configuration files are kept on this platform.
std::filesystem::path DefaultDataFolder(const std::filesystem::path& home);

}  // namespace kavro
