#pragma once
// What the logic asks of the user interface: message boxes with an OK
// button, the beep, the mouse pointer and showing the small windows.
// The Qt front end answers with real dialogs; tests answer from a script.

#include <string>

namespace kavro {

class CommPortSelection;
class DiagnosticLog;
class MessageWindow;
struct CommonDialog;
enum class FileDialogMode;

// The main window's caption, also the title of its message boxes.
inline constexpr const char* kProgramCaption = "Kavro Smart Switch Configuration";

enum class Pointer { Default, Hourglass };

// What to do when start-up has no usable port and the user cancelled the
// port selection.
enum class NoPortChoice { ChooseAgain, UseSimulator, Quit };

class UiServices {
public:
    virtual ~UiServices() = default;

    // A message with an OK button only; returns when the user closed it.
    virtual void messageBox(const std::string& text, const std::string& title) = 0;
    virtual void beep() = 0;
    virtual void setPointer(Pointer pointer) = 0;

    // Shows the port selection window. Modal: returns once it is closed.
    virtual void showPortSelection(CommPortSelection& window, bool modal) = 0;
    // Shows (or brings up) the diagnostic window with its log.
    virtual void showDiagnostic(DiagnosticLog& log) = 0;

    // Shows the shared file dialog with its settings. False when the user
    // cancelled; otherwise the dialog's fileName holds the chosen full path.
    virtual bool showFileDialog(CommonDialog& dialog, FileDialogMode mode) = 0;
    // Shows (or brings up again) a message window; it does not block.
    virtual void showMessageWindow(MessageWindow& window) = 0;

    // Start-up found no usable port and the user cancelled the selection:
    // the way out. offerSimulator is false where no simulated switch exists.
    virtual NoPortChoice askNoPort(const std::string& text, bool offerSimulator) = 0;
};

}  // namespace kavro
