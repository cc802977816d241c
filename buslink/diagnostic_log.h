#pragma once
// The traffic log of the diagnostic window. The log lives
// in the window: a log write creates the window hidden, "Diagnostic" shows it, and
// closing it discards the log. The newest entry is at the top, and the box
// keeps only the first 8192 characters of what it is given.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/colour.h"

namespace kavro {

inline constexpr Rgb kLogMagenta{255, 0, 255};
inline constexpr Rgb kLogBlack{0, 0, 0};

class DiagnosticLog {
public:
    static constexpr std::size_t kMaxChars = 8192;

    explicit DiagnosticLog(std::string title);

    const std::string& title() const { return title_; }
    bool exists() const { return exists_; }
    bool visible() const { return visible_; }
    const std::string& text() const { return text_; }
    Rgb colour() const { return colour_; }

    // The transport's two uses: put an entry in front, colour the whole log.
    void prepend(const std::string& entry);
    void setColour(Rgb colour);

    // "Diagnostic": create the window if needed and show it (an existing log stays).
    void show();
    // The user closed the window: it and its log are gone.
    void close();

    // Called after every change, so a window can mirror the log.
    void setObserver(std::function<void()> observer) { observer_ = std::move(observer); }
    // Called with each new entry as it is added (a console echoes them).
    void setEntryObserver(std::function<void(const std::string&)> observer) { entryObserver_ = std::move(observer); }

private:
    void create();
    void changed();

    std::string title_;
    bool exists_ = false;
    bool visible_ = false;
    std::string text_;
    Rgb colour_ = kLogBlack;
    std::function<void()> observer_;
    std::function<void(const std::string&)> entryObserver_;
};

}  // namespace kavro
