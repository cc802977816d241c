#pragma once
// What every layer of the logic asks of the user interface: message boxes
// with an OK button, the beep and the mouse pointer. Higher layers add the
// windows they own (configfile/file_windows.h, shell/window_services.h).
// The Qt front end answers with real dialogs; tests answer from a script.

#include <string>

namespace kavro {

// The main window's caption, also the title of its message boxes.
inline constexpr const char* kProgramCaption = "Kavro Smart Switch Configuration";

enum class Pointer { Default, Hourglass };

class UiServices {
public:
    virtual ~UiServices() = default;

    // A message with an OK button only; returns when the user closed it.
    virtual void messageBox(const std::string& text, const std::string& title) = 0;
    virtual void beep() = 0;
    virtual void setPointer(Pointer pointer) = 0;

};

}  // namespace kavro
