#pragma once
// The History window: the journal's entries of the switch on screen,
// newest first, and the two ways back, Load (onto the screen, as Import)
// and Restore (into the switch, as kavro-switch restore). It only shows
// the entries; what Load and Restore do is the program's own.

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "shell/switch_tool.h"

namespace kavro {

class HistoryWindow : public QDialog {
    Q_OBJECT
public:
    HistoryWindow(SwitchTool& form, QWidget* parent = nullptr);

    // Reads the entries again.
    void refresh();

signals:
    // The user chose Load or Restore for the entry; the window has closed.
    void loadChosen(qint64 entry);
    void restoreChosen(qint64 entry);

private:
    qint64 chosen() const;

    SwitchTool& form_;
    QLabel* title_;
    QTreeWidget* entries_;
    QPushButton* load_;
    QPushButton* restore_;
};

}  // namespace kavro
