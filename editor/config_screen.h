#pragma once
// The configuration editor: the main window's controls are the
// configuration, eight channels by three events. There is no separate
// document: reading a switch writes these controls, writing one reads them,
// and the files save, load and compare them.
//
// Index rules (c = channel - 1, e = 0 press, 1 hold, 2 release):
//   Combo1, SW_Data, RANGE, EventCommandCode   3c + e
//   Label2 (event names)                       8e + c   <- event-major
//   Check1                                     3c Specific, 3c+1 Group, 3c+2 P-P, 24+c Src Group
//   Check3, SpecAddr, SpecLbl, SwSrcGroup, PRI, PRILBL, Text1    c
//   ADDR                                       1 P-P motor address, 3 switch address

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "editor/command_catalogue.h"
#include "editor/controls.h"

namespace kavro {

class UiServices;

inline constexpr int kChannels = 8;
inline constexpr int kEvents = 24;

inline constexpr int EventIndex(int c, int e) { return 3 * c + e; }
inline constexpr int LabelIndex(int c, int e) { return 8 * e + c; }
inline constexpr int SpecificBox(int c) { return 3 * c; }
inline constexpr int GroupBox(int c) { return 3 * c + 1; }
inline constexpr int PointToPointBox(int c) { return 3 * c + 2; }
inline constexpr int SrcGroupBox(int c) { return 24 + c; }

// The two address boxes of the window: ADDR 1 and ADDR 3. The array has
// no other members.
class AddrBoxes {
public:
    TextBox& operator[](int index) {
        if (index == 1) return ppMotor_;
        if (index == 3) return switch_;
        throw std::out_of_range("ADDR has members 1 and 3 only");
    }
    const TextBox& operator[](int index) const { return const_cast<AddrBoxes&>(*this)[index]; }

private:
    TextBox ppMotor_;
    TextBox switch_;
};

enum class Key { Up, Down, Left, Right, Other };
enum Modifier : unsigned { kNoModifier = 0, kShift = 1, kCtrl = 2, kAlt = 4 };

class ConfigScreen {
public:
    static constexpr int kKeyStepTwips = 150;

    explicit ConfigScreen(UiServices* ui = nullptr);
    ConfigScreen(const ConfigScreen&) = delete;
    ConfigScreen& operator=(const ConfigScreen&) = delete;

    // Fills the 24 command lists and selects "NONE" in each (end of start-up).
    void FillCommandLists();

    // Handlers; code that changes a control runs them just as the user does.
    void Combo1_Click(int index);
    void UpdateLockPriority();
    void Check1_Control(int index);
    void Check1_Click(int index);
    void Check3_Click(int index);
    void Command1_Click();  // "Clear Data"
    void opt13_Click();
    void opt16_Click();
    void opt78_Click();
    void optAll_Click();
    // The user picks a "Show" option: it alone is selected, its handler runs.
    void SelectShowOption(OptionButton& option);
    // Arrow keys without modifiers move the window by 150 twips; returns
    // whether the key was used up (the focused control then never sees it).
    bool Form_KeyDown(Key key, unsigned modifiers);

    // Told after every change of every control.
    void setObserver(ChangeObserver observer) { observer_ = std::move(observer); }

    std::array<ListBox, kEvents> Combo1;
    std::array<TextBox, kEvents> SW_Data;
    std::array<Label, kEvents> RANGE;
    std::array<Label, kEvents> Label2;
    std::array<CheckBox, 32> Check1;
    std::array<CheckBox, kChannels> Check3;
    std::array<TextBox, kChannels> SpecAddr;
    std::array<Label, kChannels> SpecLbl;
    std::array<TextBox, kChannels> SwSrcGroup;
    std::array<TextBox, kChannels> PRI;
    std::array<Label, kChannels> PRILBL;
    std::array<Label, kChannels> Text1;
    AddrBoxes ADDR;
    CheckBox UseSwPP;
    TextBox SW_FIRMWARE;
    std::array<Frame, kChannels> Frames;  // Frame1 .. Frame8
    OptionButton opt13, opt16, opt78, optAll;

    std::array<int, kEvents> EventCommandCode{};
    std::array<std::string, kCommandCount> CommandNames;
    std::uint8_t CheckControlBusy = 0;

    // The window's place on the screen, in twips.
    int Left = 0;
    int Top = 0;

private:
    void ShowFrames(int first, int last);
    void SetWindowPlace(int left, int top);
    template <typename F>
    void ForEachControl(F f);

    UiServices* ui_;
    ChangeObserver observer_;
};

enum class Destination { Specific, Group, PointToPoint, SrcGroup, None };
// A channel's destination, read from its four boxes, and its caption.
Destination DestinationOf(const ConfigScreen& screen, int c);
const char* DestinationName(Destination destination);

// Colours of the event names: press in blue, release in brown.
inline constexpr Rgb kPressColour{0, 0, 255};
inline constexpr Rgb kReleaseColour{128, 64, 0};

}  // namespace kavro
