#pragma once
// The "Comm Port Selection" window over its model.

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "buslink/comm_port_selection.h"

namespace kavro {

class PortSelectionDialog : public QDialog {
    Q_OBJECT
public:
    explicit PortSelectionDialog(CommPortSelection& model, QWidget* parent = nullptr);
    ~PortSelectionDialog() override;

    void refresh();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    CommPortSelection& model_;
    QLabel* portLabel_;
    QComboBox* portList_;
    QLabel* device_;
    QLabel* inUse_;
    QLabel* remembered_;
    QLineEdit* typed_;
    QPushButton* refresh_;
    QLabel* presentLabel_;
    QTreeWidget* present_;
    QPushButton* changePort_;
    QPushButton* cancel_;
    bool updating_ = false;
};

}  // namespace kavro
