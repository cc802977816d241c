#pragma once
// The screen's controls as plain objects. They hold what the logic reads and
// writes (list position, check value, text, caption, visibility) and behave
// as the window toolkit's controls do: setting a list position or a check
// value from code runs the same handler as the user's change, at once,
// before the setter returns.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/colour.h"
#include "platform/hex_text.h"

namespace kavro {

// Told after every change of any control, so that a window can mirror it.
using ChangeObserver = std::function<void()>;

class Control {
public:
    bool visible() const { return visible_; }
    void setVisible(bool visible) { set(visible_, visible); }
    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& caption) { set(caption_, caption); }

    void setObserver(const ChangeObserver* observer) { observer_ = observer; }

    // The handler a click or a change of value or selection runs, by the
    // user or by code, as the window toolkit's own controls do.
    const std::function<void()>& clickHandler() const { return onClick_; }
    void setClickHandler(std::function<void()> handler) { onClick_ = std::move(handler); }

    // A control is one thing on the screen: never copied or replaced.
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

protected:
    template <typename T>
    void set(T& field, const T& value) {
        if (field == value) return;
        field = value;
        notify();
    }
    void notify() const {
        if (observer_ && *observer_) (*observer_)();
    }

protected:
    std::function<void()> onClick_;

private:
    bool visible_ = true;
    std::string caption_;
    const ChangeObserver* observer_ = nullptr;
};

// A label, or a caption-only field. No colour means the default text colour.
class Label : public Control {
public:
    std::optional<Rgb> colour() const { return colour_; }
    void setColour(std::optional<Rgb> colour) { set(colour_, colour); }

private:
    std::optional<Rgb> colour_;
};

// A drop-down list from which the user can only select.
class ListBox : public Control {
public:
    const std::vector<std::string>& items() const { return items_; }
    void addItem(const std::string& item) {
        items_.push_back(item);
        notify();
    }
    // −1 for no selection.
    int selected() const { return listIndex_; }
    // Selecting runs the click handler, as the user's selection does. An
    // index outside the list is refused, as the toolkit refuses it.
    void select(int index) {
        if (index < -1 || index >= static_cast<int>(items_.size())) return;
        listIndex_ = index;
        notify();
        if (onClick_) onClick_();
    }
    // Selecting by the entry's text, as start-up selects "NONE".
    void setText(const std::string& text) {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i] == text) return select(static_cast<int>(i));
    }
    std::string text() const { return listIndex_ >= 0 ? items_[listIndex_] : std::string{}; }


private:
    std::vector<std::string> items_;
    int listIndex_ = -1;
};

class CheckBox : public Control {
public:
    // 0 clear, 1 ticked, 2 greyed.
    int value() const { return value_; }
    // A change of value runs the click handler; setting the value it already
    // has changes nothing and runs nothing.
    void setValue(int value) {
        if (value == value_) return;
        value_ = value;
        notify();
        if (onClick_) onClick_();
    }
    // The user's click: a ticked box clears, any other box ticks.
    void click() { setValue(value_ == 1 ? 0 : 1); }
    // The state the window is designed with; no handler runs.
    void setInitialValue(int value) { set(value_, value); }


private:
    int value_ = 0;
};

// An option button of a group: selecting one clears the others.
class OptionButton : public Control {
public:
    bool value() const { return value_; }
    void setValueQuietly(bool value) { set(value_, value); }

private:
    bool value_ = false;
};

class TextBox : public Control {
public:
    const std::string& text() const { return text_; }
    // Code sets the text as it is (a file's lower case or odd characters
    // included); the limit and the hexadecimal rule are for typing.
    void setText(const std::string& text) {
        everSet_ = true;
        set(text_, text);
    }
    // The text the window is designed with; it counts as never set.
    void setInitialText(const std::string& text) { set(text_, text); }
    // Whether anything (typing, a read, a file) set the text since the
    // window was made.
    bool everSet() const { return everSet_; }
    // The user's typing or pasting: the whole new text. What was put in
    // (what lies between the part kept at the start and the part kept at
    // the end) is cut to the room the character limit leaves, as the
    // toolkit cuts a paste; a text longer than the limit (put there by
    // code) may shrink but not grow. In a hexadecimal box what was put in
    // loses the spaces around it (a value copied from a spreadsheet
    // brings them), then must be hex digits, else the whole change is
    // refused; lower case becomes upper case. Characters already there
    // stay as they are, so odd text from a file can still be deleted.
    void typeText(const std::string& text) {
        std::size_t start = 0;
        while (start < text_.size() && start < text.size() && text_[start] == text[start]) ++start;
        std::size_t end = 0;
        while (end < text_.size() - start && end < text.size() - start &&
               text_[text_.size() - 1 - end] == text[text.size() - 1 - end])
            ++end;
        std::string put = text.substr(start, text.size() - start - end);
        if (hexDigits_ && !takeHexDigits(put)) return;
        const std::size_t limit = std::max<std::size_t>(static_cast<std::size_t>(maxLength_), text_.size());
        if (maxLength_ > 0) put.resize(std::min(put.size(), limit - std::min(limit, start + end)));
        const std::string result = text.substr(0, start) + put + text.substr(text.size() - end);
        if (result == text_ && text != text_) return;  // nothing of it taken: the box was not changed
        setText(result);
    }
    // 0 for no limit.
    int maxLength() const { return maxLength_; }
    void setMaxLength(int maxLength) { set(maxLength_, maxLength); }
    bool hexDigits() const { return hexDigits_; }
    void setHexDigits(bool hexDigits) { set(hexDigits_, hexDigits); }

private:
    // What was put into a hexadecimal box, without the spaces around it:
    // hex digits only, shown in upper case.
    static bool takeHexDigits(std::string& put) {
        const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
        while (!put.empty() && space(put.back())) put.pop_back();
        put.erase(0, std::find_if_not(put.begin(), put.end(), space) - put.begin());
        for (char& c : put) {
            if (!IsHexDigit(c)) return false;
            c = ShownHexDigit(c);
        }
        return true;
    }

    std::string text_;
    int maxLength_ = 0;
    bool hexDigits_ = false;
    bool everSet_ = false;
};

// A frame whose place in the window matters (the channel frames move).
class Frame : public Control {
public:
    int top() const { return top_; }
    void setTop(int top) { set(top_, top); }

private:
    int top_ = 0;
};

}  // namespace kavro
