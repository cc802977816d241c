#pragma once
// The "Comm Port Selection" window over its model.

#include <QComboBox>
#include <QDialog>
#include <QLabel>
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
    QLabel* xlblCommPort_;
    QComboBox* xcbxCommPort_;
    QLabel* device_;
    QLabel* presentLabel_;
    QTreeWidget* present_;
    QPushButton* xcmdChangeCommPort_;
    QPushButton* xcmdCancel_;
    bool updating_ = false;
};

}  // namespace kavro
