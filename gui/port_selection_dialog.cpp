#include "gui/port_selection_dialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScreen>

#include "editor/legacy_names.h"

namespace kavro {

PortSelectionDialog::PortSelectionDialog(CommPortSelection& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setObjectName(legacy::kPortSelection);
    setWindowTitle(CommPortSelection::kCaption);

    portLabel_ = new QLabel(CommPortSelection::kLabel, this);
    portList_ = new QComboBox(this);
    portList_->setObjectName(legacy::kPortList);
    portList_->setEditable(false);
    portList_->setAccessibleName("Data Communication Port");
    portLabel_->setBuddy(portList_);
    device_ = new QLabel(this);
    device_->setObjectName("device");
    inUse_ = new QLabel(this);
    inUse_->setObjectName("portInUse");
    remembered_ = new QLabel(this);
    remembered_->setObjectName("rememberedPort");
    presentLabel_ = new QLabel("Serial ports present now (an adapter without a number is chosen here):", this);
    present_ = new QTreeWidget(this);
    present_->setObjectName("presentPorts");
    present_->setAccessibleName("Serial ports present now");
    present_->setRootIsDecorated(false);
    present_->setHeaderLabels({"Device", "Port", "Description", "Maker", "USB", "Serial number"});
    present_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    presentLabel_->setBuddy(present_);
    auto* typedLabel = new QLabel("Or type a device (/dev/ttyUSB9, COM17):", this);
    typed_ = new QLineEdit(this);
    typed_->setObjectName("typedDevice");
    typed_->setAccessibleName("Device");
    typedLabel->setBuddy(typed_);
    changePort_ = new QPushButton("Change Port", this);
    changePort_->setObjectName(legacy::kChangePort);
    refresh_ = new QPushButton("&Refresh", this);
    refresh_->setObjectName("refreshPorts");
    refresh_->setToolTip("Look for serial ports again (an adapter plugged in since)");
    cancel_ = new QPushButton("Cancel", this);
    cancel_->setObjectName(legacy::kCancelPort);

    auto* grid = new QGridLayout(this);
    grid->addWidget(portLabel_, 0, 0);
    grid->addWidget(portList_, 0, 1);
    grid->addWidget(device_, 0, 2);
    grid->addWidget(inUse_, 1, 0, 1, 3);
    grid->addWidget(remembered_, 2, 0, 1, 3);
    grid->addWidget(presentLabel_, 3, 0, 1, 3);
    grid->addWidget(present_, 4, 0, 1, 3);
    grid->addWidget(typedLabel, 5, 0);
    grid->addWidget(typed_, 5, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(changePort_);
    buttons->addWidget(refresh_);
    buttons->addStretch();
    buttons->addWidget(cancel_);
    grid->addLayout(buttons, 6, 0, 1, 3);
    setTabOrder(portList_, present_);
    setTabOrder(present_, typed_);
    setTabOrder(typed_, changePort_);
    setTabOrder(changePort_, refresh_);
    setTabOrder(refresh_, cancel_);

    connect(portList_, &QComboBox::activated, this, [this](int index) { model_.selectEntry(index); });
    connect(present_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!updating_ && item) model_.selectSystemPort(present_->indexOfTopLevelItem(item));
    });
    connect(typed_, &QLineEdit::textEdited, this, [this](const QString& text) { model_.typeDevice(text.toStdString()); });
    connect(changePort_, &QPushButton::clicked, this, [this] { model_.changePort(); });
    connect(refresh_, &QPushButton::clicked, this, [this] { model_.refresh(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { model_.cancel(); });

    model_.setObserver([this] { refresh(); });
    refresh();
    adjustSize();
    if (const QScreen* screen = this->screen()) move(screen->geometry().center() - rect().center());
}

PortSelectionDialog::~PortSelectionDialog() {
    model_.setObserver({});
}

void PortSelectionDialog::refresh() {
    updating_ = true;
    QStringList entries;
    for (const auto& e : model_.entries()) entries << QString::fromStdString(e);
    QStringList shown;
    for (int i = 0; i < portList_->count(); ++i) shown << portList_->itemText(i);
    if (shown != entries) {
        portList_->clear();
        portList_->addItems(entries);
    }
    portList_->setCurrentIndex(model_.selectedPosition());
    bool samePorts = present_->topLevelItemCount() == static_cast<int>(model_.systemPorts().size());
    for (int row = 0; samePorts && row < present_->topLevelItemCount(); ++row)
        samePorts = present_->topLevelItem(row)->text(0).toStdString() == model_.systemPorts()[row].device;
    if (!samePorts) {
        present_->clear();
        for (int row = 0; row < static_cast<int>(model_.systemPorts().size()); ++row) {
            const SystemPort& p = model_.systemPorts()[row];
            const int number = model_.numberOfSystemPort(row);
            present_->addTopLevelItem(new QTreeWidgetItem(
                {QString::fromStdString(p.device), number ? QString::number(number) : QString("-"),
                 QString::fromStdString(p.description), QString::fromStdString(p.manufacturer),
                 QString::fromStdString(UsbIds(p)), QString::fromStdString(p.serialNumber)}));
        }
    }
    present_->setCurrentItem(model_.selectedSystemPort() >= 0 ? present_->topLevelItem(model_.selectedSystemPort())
                                                              : nullptr);
    const std::string device = model_.selectedDevice();
    device_->setText(device.empty() ? QString() : QString::fromStdString(device));
    inUse_->setText("In use now: " + QString::fromStdString(model_.portInUse()));
    remembered_->setText("Remembered for the next start: " + QString::fromStdString(model_.rememberedPort()));
    if (typed_->text().toStdString() != model_.typedDevice()) typed_->setText(QString::fromStdString(model_.typedDevice()));
    changePort_->setEnabled(model_.changePortEnabled());
    updating_ = false;
    if (!model_.isOpen() && isVisible()) done(QDialog::Accepted);
}

void PortSelectionDialog::closeEvent(QCloseEvent* event) {
    if (model_.isOpen()) model_.close();
    event->accept();
}

void PortSelectionDialog::reject() {
    if (model_.isOpen()) model_.close();
    QDialog::reject();
}

}  // namespace kavro
