#include "gui/port_selection_dialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScreen>

namespace kavro {

PortSelectionDialog::PortSelectionDialog(CommPortSelection& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setObjectName("xfrmCommPortSelection");
    setWindowTitle(CommPortSelection::kCaption);

    xlblCommPort_ = new QLabel(CommPortSelection::kLabel, this);
    xcbxCommPort_ = new QComboBox(this);
    xcbxCommPort_->setObjectName("xcbxCommPort");
    xcbxCommPort_->setEditable(false);
    xcbxCommPort_->setAccessibleName("Data Communication Port");
    xcbxCommPort_->setAccessibleDescription("Data Communication Port");
    xlblCommPort_->setBuddy(xcbxCommPort_);
    device_ = new QLabel(this);
    device_->setObjectName("device");
    presentLabel_ = new QLabel("Serial ports present now (an adapter without a number is chosen here):", this);
    present_ = new QTreeWidget(this);
    present_->setObjectName("presentPorts");
    present_->setAccessibleName("Serial ports present now");
    present_->setRootIsDecorated(false);
    present_->setHeaderLabels({"Device", "Port", "Description", "Maker", "USB", "Serial number"});
    present_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    presentLabel_->setBuddy(present_);
    xcmdChangeCommPort_ = new QPushButton("Change Port", this);
    xcmdChangeCommPort_->setObjectName("xcmdChangeCommPort");
    xcmdCancel_ = new QPushButton("Cancel", this);
    xcmdCancel_->setObjectName("xcmdCancel");

    auto* grid = new QGridLayout(this);
    grid->addWidget(xlblCommPort_, 0, 0);
    grid->addWidget(xcbxCommPort_, 0, 1);
    grid->addWidget(device_, 0, 2);
    grid->addWidget(presentLabel_, 1, 0, 1, 3);
    grid->addWidget(present_, 2, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(xcmdChangeCommPort_);
    buttons->addStretch();
    buttons->addWidget(xcmdCancel_);
    grid->addLayout(buttons, 3, 0, 1, 3);
    setTabOrder(xcbxCommPort_, present_);
    setTabOrder(present_, xcmdChangeCommPort_);
    setTabOrder(xcmdChangeCommPort_, xcmdCancel_);

    connect(xcbxCommPort_, &QComboBox::activated, this, [this](int index) { model_.selectEntry(index); });
    connect(present_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!updating_ && item) model_.selectSystemPort(present_->indexOfTopLevelItem(item));
    });
    connect(xcmdChangeCommPort_, &QPushButton::clicked, this, [this] { model_.changePort(); });
    connect(xcmdCancel_, &QPushButton::clicked, this, [this] { model_.cancel(); });

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
    for (int i = 0; i < xcbxCommPort_->count(); ++i) shown << xcbxCommPort_->itemText(i);
    if (shown != entries) {
        xcbxCommPort_->clear();
        xcbxCommPort_->addItems(entries);
    }
    xcbxCommPort_->setCurrentIndex(model_.selectedPosition());
    if (present_->topLevelItemCount() != static_cast<int>(model_.systemPorts().size())) {
        present_->clear();
        for (const SystemPort& p : model_.systemPorts()) {
            const int number = PortNumberOf(p.device);
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
    xcmdChangeCommPort_->setEnabled(model_.changePortEnabled());
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
