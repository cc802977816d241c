#pragma once
// User-interface services for tests: records what the user would have seen, and answers dialogs from a script.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/window_services.h"

namespace kavro::test {

class ScriptedUi : public WindowServices {
public:
    struct Message { std::string text, title; };

    void messageBox(const std::string& text, const std::string& title) override { messages.push_back({text, title}); }
    void beep() override { ++beeps; }
    void setPointer(Pointer p) override { pointers.push_back(p); }

    // Each time the selection window is shown, the next step of the script plays the user (pick an entry and
    // press a button); with no script left the user cancels.
    void showPortSelection(CommPortSelection& window, bool modal) override {
        ++selectionShown;
        selectionWasModal.push_back(modal);
        listsSeen.push_back(window.entries());
        enabledAtOpen.push_back(window.changePortEnabled());
        if (selectionScript.empty()) return modal ? window.cancel() : void();
        const auto step = std::move(selectionScript.front());
        selectionScript.pop_front(), step(window);
    }
    void showDiagnostic(DiagnosticLog&) override {}

    // Each file dialog takes the next answer: a path, or nothing to cancel.
    bool showFileDialog(CommonDialog& dialog, FileDialogMode mode) override {
        dialogsSeen.push_back({dialog, mode});
        const std::optional<std::string> answer = fileAnswers.empty() ? std::nullopt : fileAnswers.front();
        if (!fileAnswers.empty()) fileAnswers.pop_front();
        if (answer) dialog.fileName = *answer;
        return answer.has_value();
    }
    void showMessageWindow(MessageWindow& window) override { windowsShown.push_back(&window); }

    // Each question takes the next answer; with none left the user quits.
    NoPortChoice askNoPort(const std::string&, bool offerSimulator) override {
        simulatorOffered.push_back(offerSimulator);
        const NoPortChoice answer = noPortAnswers.empty() ? NoPortChoice::Quit : noPortAnswers.front();
        if (!noPortAnswers.empty()) noPortAnswers.pop_front();
        return answer;
    }

    // Each yes/no question takes the next answer; with none left, yes where the user always goes ahead, else
    // the question's default.
    bool askYesNo(const std::string& text, const std::string&, const std::string&, bool defaultYes) override {
        questions.push_back(text);
        const bool answer = yesNoAnswers.empty() ? answerYes || defaultYes : yesNoAnswers.front();
        if (!yesNoAnswers.empty()) yesNoAnswers.pop_front();
        return answer;
    }

    // A script step that picks the entry with this text and presses "Change Port".
    static std::function<void(CommPortSelection&)> Choose(const std::string& port) {
        return [port](CommPortSelection& w) {
            for (std::size_t i = 0; i < w.entries().size(); ++i)
                if (w.entries()[i] == port) w.selectEntry(static_cast<int>(i));
            w.changePort();
        };
    }

    std::vector<Message> messages;
    std::vector<Pointer> pointers;
    int beeps = 0, selectionShown = 0;
    std::vector<bool> selectionWasModal, enabledAtOpen, simulatorOffered;
    std::vector<std::vector<std::string>> listsSeen;
    std::deque<std::function<void(CommPortSelection&)>> selectionScript;
    std::deque<NoPortChoice> noPortAnswers;
    std::vector<std::string> questions;
    std::deque<bool> yesNoAnswers;
    bool answerYes = false;
    std::deque<std::optional<std::string>> fileAnswers;
    std::vector<std::pair<CommonDialog, FileDialogMode>> dialogsSeen;
    std::vector<MessageWindow*> windowsShown;
};

}  // namespace kavro::test
