#include "gui/channel_frame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include "editor/legacy_names.h"
#include "gui/twips.h"

namespace kavro {
namespace {

constexpr const char* kEventWords[3] = {"Press", "Hold", "Release"};

// Keeps its place in the layout while hidden, so that a field appearing or
// disappearing does not shift its neighbours.
template <typename W>
W* Steady(W* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
    return widget;
}

QString Channel(int c) { return QString("Channel %1 ").arg(c + 1); }

// Command, event name, data and range of one event, in grid row e.
void AddEventRow(ConfigScreen& s, ControlBinding& binding, QGridLayout* grid, int c, int e) {
    const int i = EventIndex(c, e);
    auto* command = new QComboBox;
    command->setObjectName(QString::fromStdString(legacy::ObjectName(legacy::kCommands, i)));
    command->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    SetAccessibleNames(command, Channel(c) + kEventWords[e] + " command");
    binding.bind(s.commands[i], command);

    auto* name = new QLabel;
    name->setObjectName(QString::fromStdString(legacy::ObjectName(legacy::kEventNames, EventNameIndex(c, e))));
    // Wide enough for either name, so that "Seq" does not widen the frame.
    for (const char* longest : {"On Release", "Function1"})
        name->setMinimumWidth(std::max(name->minimumWidth(), name->fontMetrics().horizontalAdvance(longest) + 4));
    binding.bind(s.eventNames[EventNameIndex(c, e)], name);

    auto* data = Steady(HexBox(Channel(c) + kEventWords[e] + " data", 4));
    data->setObjectName(QString::fromStdString(legacy::ObjectName(legacy::kData, i)));
    binding.bind(s.data[i], data);

    auto* range = Steady(new QLabel);
    range->setObjectName(QString::fromStdString(legacy::ObjectName(legacy::kRanges, i)));
    range->setMinimumWidth(range->fontMetrics().horizontalAdvance("0->FF ms "));
    binding.bind(s.ranges[i], range);

    grid->addWidget(command, e, 0, 1, 2);
    grid->addWidget(name, e, 2);
    grid->addWidget(data, e, 3);
    grid->addWidget(range, e, 4);
}

// Lock priority, and the source group choice with its address.
void AddLockAndSourceGroupRow(ConfigScreen& s, ControlBinding& binding, QGridLayout* grid, int c) {
    auto* priority = Steady(HexBox(Channel(c) + "Lock Priority", 2));
    priority->setObjectName(QString::fromStdString(legacy::ObjectName(legacy::kLockPriority, c)));
    binding.bind(s.lockPriority[c], priority);
    auto* priorityLabel = Steady(new QLabel);
    priorityLabel->setObjectName(QString::fromStdString(legacy::ObjectName(legacy::kLockPriorityLabel, c)));
    binding.bind(s.lockPriorityLabel[c], priorityLabel);
    auto* srcGroup = new QCheckBox;
    srcGroup->setObjectName(QString::fromStdString(legacy::ObjectName(legacy::kDestinationBoxes, SrcGroupBox(c))));
    SetAccessibleNames(srcGroup, Channel(c) + "Src Group");
    binding.bind(s.destinationBoxes[SrcGroupBox(c)], srcGroup);
    auto* srcAddress = Steady(HexBox(Channel(c) + "Source Group Address", 6));
    srcAddress->setObjectName(QString::fromStdString(legacy::ObjectName(legacy::kSourceGroupAddress, c)));
    binding.bind(s.sourceGroupAddress[c], srcAddress);

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
        box->setObjectName(QString::fromStdString(legacy::ObjectName(legacy::kDestinationBoxes, index)));
        if (tip) box->setToolTip(tip);
        SetAccessibleNames(box, Channel(c) + word);
        binding.bind(s.destinationBoxes[index], box);
        row->addWidget(box);
    }
    auto* motor = Steady(HexBox(Channel(c) + "Motor Address", 6));
    motor->setObjectName(QString::fromStdString(legacy::ObjectName(legacy::kMotorAddress, c)));
    binding.bind(s.motorAddress[c], motor);
    auto* motorLabel = Steady(new QLabel);
    motorLabel->setObjectName(QString::fromStdString(legacy::ObjectName(legacy::kMotorAddressLabel, c)));
    binding.bind(s.motorAddressLabel[c], motorLabel);
    row->addWidget(motor);
    row->addWidget(motorLabel);
    row->addStretch();
    grid->addLayout(row, 4, 0, 1, 6);
}

}  // namespace

QLineEdit* HexBox(const QString& accessibleName, int characters) {
    auto* box = new QLineEdit;
    box->setAlignment(Qt::AlignCenter);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QString(characters + 2, 'W')));
    SetAccessibleNames(box, accessibleName);
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
    seq->setObjectName(QString::fromStdString(legacy::ObjectName(legacy::kSeq, c)));
    SetAccessibleNames(seq, Channel(c) + "Seq");
    binding.bind(s.seq[c], seq);
    grid->addWidget(seq, 0, 5);

    AddLockAndSourceGroupRow(s, binding, grid, c);
    AddDestinationRow(s, binding, grid, c);
    return frame;
}

}  // namespace kavro
