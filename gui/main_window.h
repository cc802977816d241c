#pragma once
// frmMain on screen: mirrors the main window model (the eight channel
// frames, the address boxes, the commands) and forwards the user's actions
// to it. The logic lives in the model; this class only shows it.

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <array>

#include "gui/control_binding.h"
#include "gui/qt_ui_services.h"
#include "shell/frm_main.h"

namespace kavro {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(frmMain& form, QtUiServices& ui, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Brings every widget up to date with the model.
    void refresh();

    QPushButton* button(const QString& objectName) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    QWidget* makeShowFrame();
    QGroupBox* makeChannelFrame(int c);
    QWidget* makeRightColumn();
    QPushButton* addCommand(QGroupBox* frame, const char* name, const char* caption);
    void placeChannelFrames();
    std::string lastStatus() const;

    frmMain& form_;
    ConfigScreen& screen_;
    QtUiServices& ui_;
    ControlBinding binding_;
    QGridLayout* channels_ = nullptr;
    std::array<QGroupBox*, kChannels> frames_{};
    std::array<int, kChannels> placedTops_{};
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    enum class LastTransfer { None, Read, Write } lastTransfer_ = LastTransfer::None;
    // The model's window place that the screen already shows, in twips.
    int shownLeft_ = 0;
    int shownTop_ = 0;
    bool refreshing_ = false;
};

}  // namespace kavro
