#pragma once
// The configuration editor: the main window's controls are the
// configuration, eight channels by three events. There is no separate
// document: reading a switch writes these controls, writing one reads them,
// and the files save, load and compare them.
//
// Index rules (c = channel - 1, e = 0 press, 1 hold, 2 release):
//   commands, data, ranges, commandCode()   3c + e
//   eventNames (event names)                       8e + c   <- event-major
//   destinationBoxes                                     3c Specific, 3c+1 Group, 3c+2 P-P, 24+c Src Group
//   seq, motorAddress, motorAddressLabel, sourceGroupAddress, lockPriority, lockPriorityLabel, destinationCaption    c

#include <array>
#include <cstdint>
#include <string>

#include "editor/command_catalogue.h"
#include "editor/controls.h"

namespace kavro {

class UiServices;

inline constexpr int kChannels = 8;
inline constexpr int kEvents = 24;
inline constexpr std::array<const char*, 3> kEventNames{"On Press", "On Hold", "On Release"};
// The names a channel's events take with its "Seq" box ticked.
inline constexpr std::array<const char*, 3> kSeqEventNames{"Function1", "Function2", "Function3"};
inline constexpr const char* EventName(int e, bool seq) { return seq ? kSeqEventNames[e] : kEventNames[e]; }

inline constexpr int EventIndex(int c, int e) { return 3 * c + e; }
inline constexpr int EventNameIndex(int c, int e) { return 8 * e + c; }
inline constexpr int SpecificBox(int c) { return 3 * c; }
inline constexpr int GroupBox(int c) { return 3 * c + 1; }
inline constexpr int PointToPointBox(int c) { return 3 * c + 2; }
inline constexpr int SrcGroupBox(int c) { return 24 + c; }
// A channel's four destination boxes in screen order.
inline constexpr std::array<int, 4> ChannelBoxes(int c) {
    return {SpecificBox(c), GroupBox(c), PointToPointBox(c), SrcGroupBox(c)};
}

enum class Key { Up, Down, Left, Right, Other };
enum Modifier : unsigned { kNoModifier = 0, kShift = 1, kCtrl = 2, kAlt = 4 };

class ConfigScreen {
public:
    static constexpr int kKeyStepTwips = 150;

    explicit ConfigScreen(UiServices* ui = nullptr);
    ConfigScreen(const ConfigScreen&) = delete;
    ConfigScreen& operator=(const ConfigScreen&) = delete;

    // Fills the 24 command lists and selects "NONE" in each (end of start-up).
    void fillCommandLists();

    // Handlers; code that changes a control runs them just as the user does.
    void commandChosen(int index);
    void updateLockPriority();
    void applyDestination(int index);
    void destinationClicked(int index);
    void seqClicked(int index);
    void clearData();  // "Clear Data"
    void showChannels1to3();
    void showChannels1to6();
    void showChannels7to8();
    void showAllChannels();
    // The user picks a "Show" option: it alone is selected, its handler runs.
    void selectShowOption(OptionButton& option);
    // Arrow keys without modifiers move the window by 150 twips while
    // arrowKeysMoveWindow is ticked; returns whether the key was used up
    // (the focused control then never sees it).
    bool keyDown(Key key, unsigned modifiers);
    // The window's place on the screen, in twips: moved by the arrow keys
    // (the window mirrors it), and told by the window when the user drags
    // it (nothing to mirror).
    int left() const { return left_; }
    int top() const { return top_; }
    void windowDragged(int left, int top) { left_ = left, top_ = top; }

    // The code of the command each event's list selects: what Send Config
    // sends (0 where nothing is selected).
    int commandCode(int index) const { return CommandCode(commands[index].selected()); }
    // Whether a change of destination started by a click is being applied:
    // the boxes it sets then run no handler of their own.
    bool applyingDestination() const { return destinationBusy_ != 0; }

    // Told after every change of every control.
    void setObserver(ChangeObserver observer) { observer_ = std::move(observer); }

    std::array<ListBox, kEvents> commands;
    std::array<TextBox, kEvents> data;
    std::array<Label, kEvents> ranges;
    std::array<Label, kEvents> eventNames;
    std::array<CheckBox, 32> destinationBoxes;
    std::array<CheckBox, kChannels> seq;
    std::array<TextBox, kChannels> motorAddress;
    std::array<Label, kChannels> motorAddressLabel;
    std::array<TextBox, kChannels> sourceGroupAddress;
    std::array<TextBox, kChannels> lockPriority;
    std::array<Label, kChannels> lockPriorityLabel;
    std::array<Label, kChannels> destinationCaption;
    TextBox ppMotorAddress;  // the one motor of every "P-P" channel
    TextBox switchAddress;
    CheckBox useSwitchAddress;
    TextBox firmwareVersion;
    std::array<Frame, kChannels> frames;  // Frame1 .. Frame8
    OptionButton show1to3, show1to6, show7to8, showAll;
    // A preference of the user's, not part of a configuration: ticked as
    // the window was designed; cleared, the arrow keys stay with the
    // focused list or text box (a keyboard user moves through a list).
    CheckBox arrowKeysMoveWindow;

private:
    void setUpChannel(int c);
    void showFrames(int first, int last);
    void moveWindow(int left, int top);
    template <typename F>
    void forEachControl(F f);

    UiServices* ui_;
    ChangeObserver observer_;
    std::uint8_t destinationBusy_ = 0;
    int left_ = 0;
    int top_ = 0;
};

enum class Destination { Specific, Group, PointToPoint, SrcGroup, None };
// A channel's destination, read from its four boxes, and its caption.
Destination DestinationOf(const ConfigScreen& screen, int c);
const char* DestinationName(Destination destination);

// Colours of the event names: press in blue, release in brown.
inline constexpr Rgb kPressColour{0, 0, 255};
inline constexpr Rgb kReleaseColour{128, 64, 0};

}  // namespace kavro
