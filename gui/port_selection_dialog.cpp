#include "gui/port_selection_dialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
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
    xcmdChangeCommPort_ = new QPushButton("Change Port", this);
    xcmdChangeCommPort_->setObjectName("xcmdChangeCommPort");
    xcmdCancel_ = new QPushButton("Cancel", this);
    xcmdCancel_->setObjectName("xcmdCancel");

    auto* grid = new QGridLayout(this);
    grid->addWidget(xlblCommPort_, 0, 0);
    grid->addWidget(xcbxCommPort_, 0, 1);
    grid->addWidget(device_, 0, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(xcmdChangeCommPort_);
    buttons->addStretch();
    buttons->addWidget(xcmdCancel_);
    grid->addLayout(buttons, 1, 0, 1, 3);
    setTabOrder(xcbxCommPort_, xcmdChangeCommPort_);
    setTabOrder(xcmdChangeCommPort_, xcmdCancel_);

    connect(xcbxCommPort_, &QComboBox::activated, this, [this](int index) { model_.SelectEntry(index); });
    connect(xcmdChangeCommPort_, &QPushButton::clicked, this, [this] { model_.xcmdChangeCommPort_Click(); });
    connect(xcmdCancel_, &QPushButton::clicked, this, [this] { model_.xcmdCancel_Click(); });

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
    const std::string device = model_.selectedDevice();
    device_->setText(device.empty() ? QString() : QString::fromStdString(device));
    xcmdChangeCommPort_->setEnabled(model_.changePortEnabled());
    updating_ = false;
    if (!model_.isOpen() && isVisible()) done(QDialog::Accepted);
}

void PortSelectionDialog::closeEvent(QCloseEvent* event) {
    if (model_.isOpen()) model_.Form_Close();
    event->accept();
}

void PortSelectionDialog::reject() {
    if (model_.isOpen()) model_.Form_Close();
    QDialog::reject();
}

}  // namespace kavro
