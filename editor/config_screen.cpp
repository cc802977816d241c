#include "editor/config_screen.h"

#include "platform/ui_services.h"

namespace kavro {
namespace {

constexpr const char* kEventNames[3] = {"On Press", "On Hold", "On Release"};
constexpr const char* kSeqNames[3] = {"Function1", "Function2", "Function3"};
constexpr int kFrameTops[kChannels] = {960, 3240, 5520, 960, 3240, 5520, 7800, 7800};
constexpr int kFirstRowTop = 960;
constexpr int kFourthRowTop = 7820;

}  // namespace

template <typename F>
void ConfigScreen::ForEachControl(F f) {
    for (auto& x : Combo1) f(x);
    for (auto& x : SW_Data) f(x);
    for (auto& x : RANGE) f(x);
    for (auto& x : Label2) f(x);
    for (auto& x : Check1) f(x);
    for (auto& x : Check3) f(x);
    for (auto& x : SpecAddr) f(x);
    for (auto& x : SpecLbl) f(x);
    for (auto& x : SwSrcGroup) f(x);
    for (auto& x : PRI) f(x);
    for (auto& x : PRILBL) f(x);
    for (auto& x : Text1) f(x);
    for (auto& x : Frames) f(x);
    f(ADDR[1]);
    f(ADDR[3]);
    f(UseSwPP);
    f(SW_FIRMWARE);
    f(opt13);
    f(opt16);
    f(opt78);
    f(optAll);
}

ConfigScreen::ConfigScreen(UiServices* ui) : ui_(ui) {
    for (int c = 0; c < kChannels; ++c) {
        Frames[c].setCaption(c < 6 ? "Switch and DC #" + std::to_string(c + 1) : "DC #" + std::to_string(c + 1));
        Frames[c].setTop(kFrameTops[c]);
        Frames[c].setVisible(c < 6);
        for (int e = 0; e < 3; ++e) {
            const int i = EventIndex(c, e);
            Combo1[i].onClick = [this, i] { Combo1_Click(i); };
            SW_Data[i].setText("Text1");
            SW_Data[i].setVisible(false);
            RANGE[i].setCaption("Range");
            Label2[LabelIndex(c, e)].setCaption(kEventNames[e]);
        }
        Label2[LabelIndex(c, 0)].setColour(kPressColour);
        Label2[LabelIndex(c, 2)].setColour(kReleaseColour);

        Check3[c].setCaption("Seq");
        Check3[c].onClick = [this, c] { Check3_Click(c); };
        PRI[c].setText("00");
        PRI[c].setMaxLength(2);
        PRILBL[c].setCaption("Lock Priority");
        SwSrcGroup[c].setText("000000");
        SwSrcGroup[c].setMaxLength(6);
        SwSrcGroup[c].setVisible(false);
        Text1[c].setCaption("Dest =");
        SpecLbl[c].setCaption("Motor Address");
        SpecLbl[c].setVisible(false);
        SpecAddr[c].setText("000000");
        SpecAddr[c].setMaxLength(6);
        SpecAddr[c].setVisible(false);

        Check1[SpecificBox(c)].setCaption("Specific");
        Check1[GroupBox(c)].setCaption("Group");
        Check1[GroupBox(c)].setInitialValue(1);
        Check1[PointToPointBox(c)].setCaption("P-P");
        Check1[SrcGroupBox(c)].setCaption("Src Group");
    }
    for (int i = 0; i < 32; ++i) Check1[i].onClick = [this, i] { Check1_Click(i); };

    ADDR[3].setText("000000");
    ADDR[3].setMaxLength(6);
    ADDR[1].setText("FFFFFF");
    ADDR[1].setMaxLength(6);
    UseSwPP.setCaption("Use Switch Address for Config");
    opt13.setCaption("1 - 3");
    opt16.setCaption("1- 6 ");
    opt78.setCaption("7 - 8");
    optAll.setCaption("All");
    opt16.setValueQuietly(true);
    opt13.onClick = [this] { opt13_Click(); };
    opt16.onClick = [this] { opt16_Click(); };
    opt78.onClick = [this] { opt78_Click(); };
    optAll.onClick = [this] { optAll_Click(); };

    ForEachControl([this](Control& control) { control.setObserver(&observer_); });
}

void ConfigScreen::FillCommandLists() {
    for (int p = 0; p < kCommandCount; ++p) CommandNames[p] = kCommands[p].name;
    for (auto& list : Combo1)
        for (const auto& name : CommandNames) list.addItem(name);
    for (auto& list : Combo1) list.setText(CommandNames[0]);
}

void ConfigScreen::Combo1_Click(int index) {
    if (index < 0 || index >= kEvents) return;
    const int p = Combo1[index].listIndex();
    EventCommandCode[index] = CodeFromListIndex(p);
    if (p >= 0 && !kCommands[p].showsData()) {
        SW_Data[index].setVisible(false);
        RANGE[index].setVisible(false);
    } else {
        SW_Data[index].setVisible(true);
        RANGE[index].setVisible(true);
        // No selection (only a loaded file makes one) keeps what is there.
        if (p >= 0) {
            RANGE[index].setCaption(kCommands[p].range);
            SW_Data[index].setMaxLength(kCommands[p].maxLength);
            SW_Data[index].setText(kCommands[p].defaultData);
        }
    }
    UpdateLockPriority();
}

void ConfigScreen::UpdateLockPriority() {
    for (int c = 0; c < kChannels; ++c) {
        bool lock = false;
        for (int e = 0; e < 3; ++e) lock = lock || IsLockPosition(Combo1[EventIndex(c, e)].listIndex());
        PRI[c].setVisible(lock);
        PRILBL[c].setVisible(lock);
    }
}

void ConfigScreen::Check1_Control(int index) {
    if (index < 0 || index > 31) return;
    const bool srcGroup = index >= 24;
    const int c = srcGroup ? index - 24 : index / 3;
    const int specific = SpecificBox(c), group = GroupBox(c), pp = PointToPointBox(c), src = SrcGroupBox(c);

    SpecAddr[c].setVisible(index == specific);
    SpecLbl[c].setVisible(index == specific);
    SwSrcGroup[c].setVisible(index == src);
    // The chosen box first, then the others, in the order the window has
    // always set them.
    if (index == specific) {
        Check1[specific].setValue(1);
        Check1[group].setValue(0);
        Check1[pp].setValue(0);
        Check1[src].setValue(0);
    } else if (index == group) {
        Check1[group].setValue(1);
        Check1[specific].setValue(0);
        Check1[pp].setValue(0);
        Check1[src].setValue(0);
    } else if (index == pp) {
        Check1[pp].setValue(1);
        Check1[group].setValue(0);
        Check1[specific].setValue(0);
        Check1[src].setValue(0);
    } else {
        Check1[src].setValue(1);
        Check1[group].setValue(0);
        Check1[pp].setValue(0);
        Check1[specific].setValue(0);
    }
}

void ConfigScreen::Check1_Click(int index) {
    if (CheckControlBusy != 0) return;
    CheckControlBusy = 1;
    Check1_Control(index);
    CheckControlBusy = 0;
}

void ConfigScreen::Check3_Click(int index) {
    if (index < 0 || index >= kChannels) return;
    const bool seq = Check3[index].value() == 1;
    for (int e = 0; e < 3; ++e) Label2[LabelIndex(index, e)].setCaption(seq ? kSeqNames[e] : kEventNames[e]);
}

void ConfigScreen::Command1_Click() {
    for (int c = 0; c < kChannels; ++c) Check1_Control(GroupBox(c));
    if (ui_) ui_->beep();
    for (auto& list : Combo1) list.setListIndex(0);
    for (auto& seq : Check3) seq.setValue(0);
}

void ConfigScreen::ShowFrames(int first, int last) {
    for (int c = 0; c < kChannels; ++c) Frames[c].setVisible(c >= first && c <= last);
}

void ConfigScreen::opt13_Click() { ShowFrames(0, 2); }

void ConfigScreen::opt16_Click() { ShowFrames(0, 5); }

void ConfigScreen::opt78_Click() {
    ShowFrames(6, 7);
    Frames[6].setTop(kFirstRowTop);
    Frames[7].setTop(kFirstRowTop);
}

void ConfigScreen::optAll_Click() {
    ShowFrames(0, 7);
    Frames[6].setTop(kFourthRowTop);
    Frames[7].setTop(kFourthRowTop);
}

void ConfigScreen::SelectShowOption(OptionButton& option) {
    for (OptionButton* o : {&opt13, &opt16, &opt78, &optAll}) o->setValueQuietly(o == &option);
    if (option.onClick) option.onClick();
}

bool ConfigScreen::Form_KeyDown(Key key, unsigned modifiers) {
    if (modifiers != kNoModifier) return false;
    switch (key) {
    case Key::Up: SetWindowPlace(Left, Top - kKeyStepTwips); return true;
    case Key::Down: SetWindowPlace(Left, Top + kKeyStepTwips); return true;
    case Key::Left: SetWindowPlace(Left - kKeyStepTwips, Top); return true;
    case Key::Right: SetWindowPlace(Left + kKeyStepTwips, Top); return true;
    default: return false;
    }
}

void ConfigScreen::SetWindowPlace(int left, int top) {
    Left = left;
    Top = top;
    if (observer_) observer_();
}

Destination DestinationOf(const ConfigScreen& s, int c) {
    if (s.Check1[SrcGroupBox(c)].value() == 1) return Destination::SrcGroup;
    if (s.Check1[SpecificBox(c)].value() == 1) return Destination::Specific;
    if (s.Check1[PointToPointBox(c)].value() == 1) return Destination::PointToPoint;
    if (s.Check1[GroupBox(c)].value() == 1) return Destination::Group;
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
