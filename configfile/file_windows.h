#pragma once
// The shared file dialog and the three small message windows of the
// configuration files, as plain objects that a window toolkit shows.

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/colour.h"
#include "platform/ui_services.h"

namespace kavro {

enum class FileDialogMode { Save, Open };

// One dialog for export, import and compare: what one use chooses is
// proposed by the next, and the default extension stays once set.
struct CommonDialog {
    std::string fileName;    // proposed name in, chosen full path out
    std::string initialFolder;
    std::string defaultExtension;  // "set": a name typed without extension gets ".set"
    bool cancelReported = false;
    // What the dialog lists, first choice first: "Configuration Files (*.set)".
    std::vector<std::string> filters;
};

inline constexpr Rgb kMessageGreen{0, 128, 0};
inline constexpr Rgb kMessageRed{255, 0, 0};

// A message window: one label, no buttons, shown without blocking the main
// window, reused by later messages.
class MessageWindow {
public:
    // designTwips: the window's inner width and height as designed.
    MessageWindow(std::string name, std::string title, std::string text, std::optional<Rgb> colour,
                  std::pair<int, int> designTwips)
        : name_(std::move(name)), title_(std::move(title)), text_(std::move(text)), colour_(colour),
          design_(designTwips) {}

    const std::string& name() const { return name_; }
    std::pair<int, int> designTwips() const { return design_; }
    const std::string& title() const { return title_; }
    const std::string& text() const { return text_; }
    std::optional<Rgb> colour() const { return colour_; }
    bool visible() const { return visible_; }
    // Lines under the label (compare lists the fields that differ there).
    const std::vector<std::string>& details() const { return details_; }

    void setText(const std::string& text) { text_ = text; changed(); }
    void setColour(std::optional<Rgb> colour) { colour_ = colour; changed(); }
    void setDetails(std::vector<std::string> details) { details_ = std::move(details); changed(); }
    void setVisible(bool visible) { visible_ = visible; changed(); }

    void setObserver(std::function<void()> observer) { observer_ = std::move(observer); }

private:
    void changed() {
        if (observer_) observer_();
    }

    std::string name_;
    std::string title_;
    std::string text_;
    std::optional<Rgb> colour_;
    std::pair<int, int> design_;
    bool visible_ = false;
    std::vector<std::string> details_;
    std::function<void()> observer_;
};

// What the file commands ask of the user interface besides message boxes.
class FileWindows : public UiServices {
public:
    // Shows the shared file dialog with its settings. False when the user
    // cancelled; otherwise the dialog's fileName holds the chosen full path.
    virtual bool showFileDialog(CommonDialog& dialog, FileDialogMode mode) = 0;
    // Shows (or brings up again) a message window; it does not block.
    virtual void showMessageWindow(MessageWindow& window) = 0;
};

}  // namespace kavro
