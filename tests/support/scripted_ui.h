#pragma once
// User-interface services for tests: records what the user would have
// seen, and answers dialogs from a script.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/window_services.h"

namespace kavro::test {

class ScriptedUi : public WindowServices {
public:
    struct Message {
        std::string text;
        std::string title;
    };

    void messageBox(const std::string& text, const std::string& title) override {
        messages.push_back({text, title});
    }
    void beep() override { ++beeps; }
    void setPointer(Pointer p) override { pointers.push_back(p); }

    // Each time the selection window is shown, the next step of the script
    // plays the user (pick an entry and press a button); with no script
    // left the user cancels.
    void showPortSelection(CommPortSelection& window, bool modal) override {
        ++selectionShown;
        selectionWasModal.push_back(modal);
        listsSeen.push_back(window.entries());
        enabledAtOpen.push_back(window.changePortEnabled());
        if (!selectionScript.empty()) {
            auto step = std::move(selectionScript.front());
            selectionScript.pop_front();
            step(window);
        } else if (modal) {
            window.cancel();
        }
    }
    void showDiagnostic(DiagnosticLog&) override {}

    // Each file dialog takes the next answer: a path, or nothing to cancel.
    bool showFileDialog(CommonDialog& dialog, FileDialogMode mode) override {
        dialogsSeen.push_back({dialog, mode});
        if (fileAnswers.empty()) return false;
        const std::optional<std::string> answer = fileAnswers.front();
        fileAnswers.pop_front();
        if (!answer) return false;
        dialog.fileName = *answer;
        return true;
    }
    void showMessageWindow(MessageWindow& window) override { windowsShown.push_back(&window); }

    NoPortChoice askNoPort(const std::string&, bool offerSimulator) override {
        simulatorOffered.push_back(offerSimulator);
        if (noPortAnswers.empty()) return NoPortChoice::Quit;
        const NoPortChoice answer = noPortAnswers.front();
        noPortAnswers.pop_front();
        return answer;
    }

    // A script step that picks the entry with this text and presses
    // "Change Port".
    static std::function<void(CommPortSelection&)> Choose(const std::string& port) {
        return [port](CommPortSelection& w) {
            for (std::size_t i = 0; i < w.entries().size(); ++i)
                if (w.entries()[i] == port) w.selectEntry(static_cast<int>(i));
            w.changePort();
        };
    }

    std::vector<Message> messages;
    std::vector<Pointer> pointers;
    int beeps = 0;
    int selectionShown = 0;
    std::vector<bool> selectionWasModal;
    std::vector<std::vector<std::string>> listsSeen;
    std::vector<bool> enabledAtOpen;
    std::deque<std::function<void(CommPortSelection&)>> selectionScript;
    std::vector<bool> simulatorOffered;
    std::deque<NoPortChoice> noPortAnswers;
    std::deque<std::optional<std::string>> fileAnswers;
    std::vector<std::pair<CommonDialog, FileDialogMode>> dialogsSeen;
    std::vector<MessageWindow*> windowsShown;
};

}  // namespace kavro::test
