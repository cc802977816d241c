#include "gui/channel_frame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include "editor/legacy_names.h"
#include "gui/accessible_widgets.h"
#include "gui/twips.h"

namespace kavro {
namespace {


// Keeps its place in the layout while hidden, so that a field appearing or
// disappearing does not shift its neighbours.
template <typename W>
W* Steady(W* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
    return widget;
}

// A screen reader names a channel's controls by the channel and their own
// caption: "Channel 2, Specific", "Channel 1, On Press command".
QString Channel(int c) { return QString("Channel %1, ").arg(c + 1); }
QString Event(int c, int e) { return Channel(c) + kEventNames[e]; }

// Binds the widget to its control, named as the old program named it.
template <typename Control, typename W>
W* Bound(ControlBinding& binding, Control& control, W* widget, const char* legacyName, int index) {
    widget->setObjectName(QString::fromStdString(legacy::ObjectName(legacyName, index)));
    binding.bind(control, widget);
    return widget;
}

// Command, event name, data and range of one event, in grid row e.
void AddEventRow(ConfigScreen& s, ControlBinding& binding, QGridLayout* grid, int c, int e) {
    const int i = EventIndex(c, e);
    auto* command = new CommandList;
    command->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    command->setAccessibleName(Event(c, e) + " command");
    Bound(binding, s.commands[i], command, legacy::kCommands, i);

    auto* name = new QLabel;
    // Wide enough for either name, so that "Seq" does not widen the frame.
    for (const char* longest : {"On Release", "Function1"})
        name->setMinimumWidth(std::max(name->minimumWidth(), name->fontMetrics().horizontalAdvance(longest) + 4));
    Bound(binding, s.eventNames[EventNameIndex(c, e)], name, legacy::kEventNames, EventNameIndex(c, e));

    auto* data = Bound(binding, s.data[i], Steady(HexBox(Event(c, e) + " data", 4)), legacy::kData, i);

    auto* range = Steady(new QLabel);
    range->setMinimumWidth(range->fontMetrics().horizontalAdvance("0->FF ms "));
    Bound(binding, s.ranges[i], range, legacy::kRanges, i);

    grid->addWidget(command, e, 0, 1, 2);
    grid->addWidget(name, e, 2);
    grid->addWidget(data, e, 3);
    grid->addWidget(range, e, 4);
}

// Lock priority, and the source group choice with its address.
void AddLockAndSourceGroupRow(ConfigScreen& s, ControlBinding& binding, QGridLayout* grid, int c) {
    auto* priority =
        Bound(binding, s.lockPriority[c], Steady(HexBox(Channel(c) + "Lock Priority", 2)), legacy::kLockPriority, c);
    auto* priorityLabel = Bound(binding, s.lockPriorityLabel[c], Steady(new QLabel), legacy::kLockPriorityLabel, c);
    priorityLabel->setBuddy(priority);
    auto* srcGroup = new QCheckBox;
    srcGroup->setAccessibleName(Channel(c) + "Src Group");
    Bound(binding, s.destinationBoxes[SrcGroupBox(c)], srcGroup, legacy::kDestinationBoxes, SrcGroupBox(c));
    auto* srcAddress = Bound(binding, s.sourceGroupAddress[c], Steady(HexBox(Channel(c) + "Source Group Address", 6)),
                             legacy::kSourceGroupAddress, c);

    auto* lockRow = new QHBoxLayout;
    lockRow->addWidget(priority);
    lockRow->addWidget(priorityLabel);
    grid->addLayout(lockRow, 3, 0);
    grid->addWidget(srcGroup, 3, 1, 1, 2, Qt::AlignRight);
    grid->addWidget(srcAddress, 3, 3, 1, 2, Qt::AlignLeft);
}

// "Dest =" and the destination boxes, then the motor address.
void AddDestinationRow(ConfigScreen& s, ControlBinding& binding, QGridLayout* grid, int c) {
    auto* row = new QHBoxLayout;
    auto* caption = new QLabel;
    binding.bind(s.destinationCaption[c], caption);
    row->addWidget(caption);
    row->addSpacing(Twips(60));
    const std::tuple<int, const char*, const char*> boxes[] = {
        {GroupBox(c), "Group", "Use the Group (000000) Address."},
        {PointToPointBox(c), "P-P", "Use the Default Button Destination Address."},
        {SpecificBox(c), "Specific", nullptr}};
    for (auto [index, word, tip] : boxes) {
        auto* box = new QCheckBox;
        if (tip) box->setToolTip(tip);
        box->setAccessibleName(Channel(c) + word);
        row->addWidget(Bound(binding, s.destinationBoxes[index], box, legacy::kDestinationBoxes, index));
    }
    auto* address =
        Bound(binding, s.motorAddress[c], Steady(HexBox(Channel(c) + "Motor Address", 6)), legacy::kMotorAddress, c);
    auto* addressLabel = Bound(binding, s.motorAddressLabel[c], Steady(new QLabel), legacy::kMotorAddressLabel, c);
    addressLabel->setBuddy(address);
    row->addWidget(address);
    row->addWidget(addressLabel);
    row->addStretch();
    grid->addLayout(row, 4, 0, 1, 6);
}

}  // namespace

QLineEdit* HexBox(const QString& accessibleName, int characters) {
    auto* box = new QLineEdit;
    box->setAlignment(Qt::AlignCenter);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QString(characters + 2, 'W')));
    box->setAccessibleName(accessibleName);
    return box;
}

QGroupBox* MakeChannelFrame(ConfigScreen& s, ControlBinding& binding, int c) {
    auto* frame = new QGroupBox;
    frame->setObjectName(QString("%1%2").arg(legacy::kChannelFrame).arg(c + 1));
    binding.bind(s.frames[c], frame);
    frame->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* grid = new QGridLayout(frame);
    grid->setVerticalSpacing(Twips(60));
    grid->setColumnStretch(6, 1);  // spare width goes after the last field
    for (int e = 0; e < 3; ++e) AddEventRow(s, binding, grid, c, e);

    auto* seq = new QCheckBox;
    seq->setAccessibleName(Channel(c) + "Seq");
    grid->addWidget(Bound(binding, s.seq[c], seq, legacy::kSeq, c), 0, 5);

    AddLockAndSourceGroupRow(s, binding, grid, c);
    AddDestinationRow(s, binding, grid, c);
    return frame;
}

}  // namespace kavro
