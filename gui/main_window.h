#pragma once
// frmMain on screen: mirrors the main window model and forwards the user's
// actions to it. The logic lives in the model; this class only shows it.

#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>

#include "gui/qt_ui_services.h"
#include "shell/frm_main.h"

namespace kavro {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(frmMain& form, QtUiServices& ui, QWidget* parent = nullptr);

    // Brings title and status line up to date with the model.
    void refresh();

    QPushButton* button(const QString& objectName) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* addCommand(QGroupBox* frame, const char* name, const char* caption);

    frmMain& form_;
    QtUiServices& ui_;
    QLabel* status_;
};

}  // namespace kavro
