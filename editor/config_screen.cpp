#include "editor/config_screen.h"

#include "platform/ui_services.h"

namespace kavro {
namespace {

constexpr int kFrameTops[kChannels] = {960, 3240, 5520, 960, 3240, 5520, 7800, 7800};
constexpr int kFirstRowTop = 960;
constexpr int kFourthRowTop = 7820;

}  // namespace

template <typename F>
void ConfigScreen::forEachControl(F f) {
    for (auto& x : commands) f(x);
    for (auto& x : data) f(x);
    for (auto& x : ranges) f(x);
    for (auto& x : eventNames) f(x);
    for (auto& x : destinationBoxes) f(x);
    for (auto& x : seq) f(x);
    for (auto& x : motorAddress) f(x);
    for (auto& x : motorAddressLabel) f(x);
    for (auto& x : sourceGroupAddress) f(x);
    for (auto& x : lockPriority) f(x);
    for (auto& x : lockPriorityLabel) f(x);
    for (auto& x : destinationCaption) f(x);
    for (auto& x : frames) f(x);
    f(ppMotorAddress);
    f(switchAddress);
    f(useSwitchAddress);
    f(firmwareVersion);
    f(show1to3);
    f(show1to6);
    f(show7to8);
    f(showAll);
    f(arrowKeysMoveWindow);
}

// Every control of channel c as the window first shows it.
void ConfigScreen::setUpChannel(int c) {
    frames[c].setCaption(c < 6 ? "Switch and DC #" + std::to_string(c + 1) : "DC #" + std::to_string(c + 1));
    frames[c].setTop(kFrameTops[c]);
    frames[c].setVisible(c < 6);
    for (int e = 0; e < 3; ++e) {
        const int i = EventIndex(c, e);
        commands[i].setClickHandler([this, i] { commandChosen(i); });
        data[i].setText("Text1");
        data[i].setHexDigits(true);
        data[i].setVisible(false);
        ranges[i].setCaption("Range");
        eventNames[EventNameIndex(c, e)].setCaption(kEventNames[e]);
    }
    eventNames[EventNameIndex(c, 0)].setColour(kPressColour);
    eventNames[EventNameIndex(c, 2)].setColour(kReleaseColour);

    seq[c].setCaption("Seq");
    seq[c].setClickHandler([this, c] { seqClicked(c); });
    lockPriority[c].setText("00");
    lockPriority[c].setMaxLength(2);
    for (TextBox* box : {&lockPriority[c], &sourceGroupAddress[c], &motorAddress[c]}) box->setHexDigits(true);
    lockPriorityLabel[c].setCaption("Lock Priority");
    sourceGroupAddress[c].setText("000000");
    sourceGroupAddress[c].setMaxLength(6);
    sourceGroupAddress[c].setVisible(false);
    destinationCaption[c].setCaption("Dest =");
    motorAddressLabel[c].setCaption("Motor Address");
    motorAddressLabel[c].setVisible(false);
    motorAddress[c].setText("000000");
    motorAddress[c].setMaxLength(6);
    motorAddress[c].setVisible(false);

    destinationBoxes[SpecificBox(c)].setCaption("Specific");
    destinationBoxes[GroupBox(c)].setCaption("Group");
    destinationBoxes[GroupBox(c)].setInitialValue(1);
    destinationBoxes[PointToPointBox(c)].setCaption("P-P");
    destinationBoxes[SrcGroupBox(c)].setCaption("Src Group");
}

ConfigScreen::ConfigScreen(UiServices* ui) : ui_(ui) {
    for (int c = 0; c < kChannels; ++c) setUpChannel(c);
    for (int i = 0; i < 32; ++i) destinationBoxes[i].setClickHandler([this, i] { destinationClicked(i); });

    switchAddress.setInitialText("000000");
    switchAddress.setMaxLength(6);
    ppMotorAddress.setText("FFFFFF");
    ppMotorAddress.setMaxLength(6);
    for (TextBox* box : {&switchAddress, &ppMotorAddress}) box->setHexDigits(true);
    useSwitchAddress.setCaption("Use Switch Address for Config");
    show1to3.setCaption("1 - 3");
    show1to6.setCaption("1- 6 ");
    show7to8.setCaption("7 - 8");
    showAll.setCaption("All");
    show1to6.setValueQuietly(true);
    show1to3.setClickHandler([this] { showChannels1to3(); });
    show1to6.setClickHandler([this] { showChannels1to6(); });
    show7to8.setClickHandler([this] { showChannels7to8(); });
    showAll.setClickHandler([this] { showAllChannels(); });
    arrowKeysMoveWindow.setCaption("Arrow keys move the window");
    arrowKeysMoveWindow.setInitialValue(1);

    forEachControl([this](Control& control) { control.setObserver(&observer_); });
}

void ConfigScreen::fillCommandLists() {
    for (auto& list : commands)
        for (const Command& command : kCommands) list.addItem(command.name);
    for (auto& list : commands) list.setText(kCommands[0].name);
}

void ConfigScreen::commandChosen(int index) {
    if (index < 0 || index >= kEvents) return;
    const int p = commands[index].selected();
    if (p >= 0 && !kCommands[p].showsData()) {
        data[index].setVisible(false);
        ranges[index].setVisible(false);
    } else {
        data[index].setVisible(true);
        ranges[index].setVisible(true);
        // No selection (only a loaded file makes one) keeps what is there.
        if (p >= 0) {
            ranges[index].setCaption(kCommands[p].range);
            data[index].setMaxLength(kCommands[p].maxLength);
            data[index].setText(kCommands[p].defaultData);
        }
    }
    updateLockPriority();
}

void ConfigScreen::updateLockPriority() {
    for (int c = 0; c < kChannels; ++c) {
        bool lock = false;
        for (int e = 0; e < 3; ++e) lock = lock || SendsLockPriority(commands[EventIndex(c, e)].selected());
        lockPriority[c].setVisible(lock);
        lockPriorityLabel[c].setVisible(lock);
    }
}

void ConfigScreen::applyDestination(int index) {
    if (index < 0 || index > 31) return;
    const bool srcGroup = index >= 24;
    const int c = srcGroup ? index - 24 : index / 3;
    const int specific = SpecificBox(c), group = GroupBox(c), pp = PointToPointBox(c), src = SrcGroupBox(c);

    motorAddress[c].setVisible(index == specific);
    motorAddressLabel[c].setVisible(index == specific);
    sourceGroupAddress[c].setVisible(index == src);
    // The chosen box first, then the others, in the order the window has
    // always set them.
    if (index == specific) {
        destinationBoxes[specific].setValue(1);
        destinationBoxes[group].setValue(0);
        destinationBoxes[pp].setValue(0);
        destinationBoxes[src].setValue(0);
    } else if (index == group) {
        destinationBoxes[group].setValue(1);
        destinationBoxes[specific].setValue(0);
        destinationBoxes[pp].setValue(0);
        destinationBoxes[src].setValue(0);
    } else if (index == pp) {
        destinationBoxes[pp].setValue(1);
        destinationBoxes[group].setValue(0);
        destinationBoxes[specific].setValue(0);
        destinationBoxes[src].setValue(0);
    } else {
        destinationBoxes[src].setValue(1);
        destinationBoxes[group].setValue(0);
        destinationBoxes[pp].setValue(0);
        destinationBoxes[specific].setValue(0);
    }
}

void ConfigScreen::destinationClicked(int index) {
    if (destinationBusy_ != 0) return;
    destinationBusy_ = 1;
    applyDestination(index);
    destinationBusy_ = 0;
}

void ConfigScreen::seqClicked(int index) {
    if (index < 0 || index >= kChannels) return;
    const bool ticked = seq[index].value() == 1;
    for (int e = 0; e < 3; ++e)
        eventNames[EventNameIndex(index, e)].setCaption(EventName(e, ticked));
}

void ConfigScreen::clearData() {
    for (int c = 0; c < kChannels; ++c) applyDestination(GroupBox(c));
    if (ui_) ui_->beep();
    for (auto& list : commands) list.select(0);
    for (auto& seq : seq) seq.setValue(0);
}

void ConfigScreen::showFrames(int first, int last) {
    for (int c = 0; c < kChannels; ++c) frames[c].setVisible(c >= first && c <= last);
}

void ConfigScreen::showChannels1to3() { showFrames(0, 2); }

void ConfigScreen::showChannels1to6() { showFrames(0, 5); }

void ConfigScreen::showChannels7to8() {
    showFrames(6, 7);
    frames[6].setTop(kFirstRowTop);
    frames[7].setTop(kFirstRowTop);
}

void ConfigScreen::showAllChannels() {
    showFrames(0, 7);
    frames[6].setTop(kFourthRowTop);
    frames[7].setTop(kFourthRowTop);
}

void ConfigScreen::selectShowOption(OptionButton& option) {
    for (OptionButton* o : {&show1to3, &show1to6, &show7to8, &showAll}) o->setValueQuietly(o == &option);
    if (option.clickHandler()) option.clickHandler()();
}

bool ConfigScreen::keyDown(Key key, unsigned modifiers) {
    if (modifiers != kNoModifier || arrowKeysMoveWindow.value() != 1) return false;
    switch (key) {
    case Key::Up: moveWindow(left_, top_ - kKeyStepTwips); return true;
    case Key::Down: moveWindow(left_, top_ + kKeyStepTwips); return true;
    case Key::Left: moveWindow(left_ - kKeyStepTwips, top_); return true;
    case Key::Right: moveWindow(left_ + kKeyStepTwips, top_); return true;
    default: return false;
    }
}

void ConfigScreen::moveWindow(int left, int top) {
    left_ = left;
    top_ = top;
    if (observer_) observer_();
}

Destination DestinationOf(const ConfigScreen& s, int c) {
    if (s.destinationBoxes[SrcGroupBox(c)].value() == 1) return Destination::SrcGroup;
    if (s.destinationBoxes[SpecificBox(c)].value() == 1) return Destination::Specific;
    if (s.destinationBoxes[PointToPointBox(c)].value() == 1) return Destination::PointToPoint;
    if (s.destinationBoxes[GroupBox(c)].value() == 1) return Destination::Group;
    return Destination::None;
}

const char* DestinationName(Destination destination) {
    switch (destination) {
    case Destination::Specific: return "Specific";
    case Destination::Group: return "Group";
    case Destination::PointToPoint: return "P-P";
    case Destination::SrcGroup: return "Src Group";
    default: return "none";
    }
}

}  // namespace kavro
