#pragma once
// The user-interface services with Qt widgets: message boxes, the beep,
// the hourglass, and the two small windows.

#include <QPointer>
#include <QWidget>

#include <map>

#include "gui/diagnostic_window.h"
#include "gui/message_window_widget.h"
#include "gui/port_selection_dialog.h"
#include "shell/window_services.h"

namespace kavro {

class QtUiServices : public WindowServices {
public:
    // Dialogs are centred on, and owned by, the main window once it exists.
    void setMainWindow(QWidget* window) { mainWindow_ = window; }

    void messageBox(const std::string& text, const std::string& title) override;
    void beep() override;
    void setPointer(Pointer pointer) override;
    void showPortSelection(CommPortSelection& window, bool modal) override;
    void showDiagnostic(DiagnosticLog& log) override;
    NoPortChoice askNoPort(const std::string& text, bool offerSimulator) override;
    bool askYesNo(const std::string& text, const std::string& yes, const std::string& no, bool defaultYes) override;
    bool showFileDialog(CommonDialog& dialog, FileDialogMode mode) override;
    void showMessageWindow(MessageWindow& window) override;

    // Asks where to save a file the window makes (the sheet's PDF), with
    // a proposed name and its extension; empty when cancelled. Tests
    // answer it through fileDialogOverride.
    QString chooseSaveFile(const QString& title, const QString& proposed, const QString& extension);

    // The Qt window of a message window, once it was shown.
    MessageWindowWidget* messageWindow(const MessageWindow& window) const;
    // Tests answer the file dialogs themselves: a path, or empty to cancel.
    std::function<QString(const CommonDialog&, FileDialogMode)> fileDialogOverride;
    // The port in use in plain words, for a saved log's header.
    std::function<std::string()> portDescription;

    // The diagnostic window follows its log from the first write on, so
    // that it is up to date whenever "Diagnostic" shows it.
    void followDiagnostic(DiagnosticLog& log);
    DiagnosticWindow* diagnosticWindow() const { return diagnostic_; }
    PortSelectionDialog* portSelectionDialog() const { return portSelection_; }

private:
    DiagnosticWindow* makeDiagnostic(DiagnosticLog& log);

    QPointer<QWidget> mainWindow_;
    QPointer<DiagnosticWindow> diagnostic_;
    QPointer<PortSelectionDialog> portSelection_;
    std::map<const MessageWindow*, QPointer<MessageWindowWidget>> messageWindows_;
    bool hourglass_ = false;
};

}  // namespace kavro
