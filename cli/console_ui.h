#pragma once
// User-interface services for a program without windows: messages are
// kept for the caller to print, dialogs are never shown, and the way out
// of a missing port is to stop.

#include <string>
#include <vector>

#include "shell/window_services.h"

namespace kavro {

class ConsoleUi : public WindowServices {
public:
    void messageBox(const std::string& text, const std::string&) override { messages_.push_back(text); }
    void beep() override {}
    void setPointer(Pointer) override {}
    void showPortSelection(CommPortSelection& window, bool) override { window.cancel(); }
    void showDiagnostic(DiagnosticLog&) override {}
    bool showFileDialog(CommonDialog&, FileDialogMode) override { return false; }
    void showMessageWindow(MessageWindow&) override {}
    NoPortChoice askNoPort(const std::string&, bool) override { return NoPortChoice::Quit; }
    // Nobody to ask: the default answer (the tool never leaves a question open).
    bool askYesNo(const std::string&, const std::string&, const std::string&, bool defaultYes) override {
        return defaultYes;
    }

    // What the program would have shown in message boxes, for the caller to print.
    const std::vector<std::string>& messages() const { return messages_; }

private:
    std::vector<std::string> messages_;
};

}  // namespace kavro
