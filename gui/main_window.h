#pragma once
// Application on screen: mirrors the main window model (the eight channel
// frames, the address boxes, the commands) and forwards the user's actions
// to it. The logic lives in the model; this class only shows it.
//
// The channel area scrolls when the window is smaller than its content,
// and its frames stand in one column where two do not fit; the Commands
// column and the status line always stay in view.

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <array>
#include <vector>

#include "gui/control_binding.h"
#include "gui/eliding_label.h"
#include "gui/qt_ui_services.h"
#include "report/switch_sheet.h"
#include "shell/switch_tool.h"
#include "shell/version.h"

namespace kavro {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(SwitchTool& form, QtUiServices& ui, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Brings every widget up to date with the model.
    void refresh();

    QPushButton* button(const QString& objectName) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* makeShowRow();
    QWidget* makeChannelArea();
    QGroupBox* makeCommandsFrame();
    QWidget* makeAddressColumn();
    void makeStatusBar();
    QToolButton* makeOptionsButton();
    QPushButton* makeHistoryButton();
    void showHistory();
    QToolButton* makeFileButton();
    // The sheet of the screen's configuration, printed or saved as PDF.
    SwitchSheet screenSheet() const;
    void printSheet();
    void exportSheetPdf();
    void placeChannelFrames();
    void reflowChannels();
    void showStatus();
    void showVerdictDetails();
    void orderShowOptions();
    void fitToScreen();

    SwitchTool& form_;
    ConfigScreen& screen_;
    QtUiServices& ui_;
    ControlBinding binding_;
    QScrollArea* channelArea_ = nullptr;
    QGridLayout* channels_ = nullptr;
    std::array<QGroupBox*, kChannels> frames_{};
    std::array<int, kChannels> placedTops_{};
    int frameWidth_ = 0;
    int twoColumnsWidth_ = 0;  // the channel area's content in two columns
    int columns_ = 2;
    int placedColumns_ = 0;
    std::vector<QPushButton*> lockedDuringTransfer_;
    std::vector<QAction*> menuLockedDuringTransfer_;
    ElidingLabel* status_ = nullptr;
    QLabel* unsent_ = nullptr;
    QLabel* damaged_ = nullptr;  // the screen came partly from a damaged file
    std::array<QWidget*, 4> shows_{};
    QWidget* beforeShows_ = nullptr;
    int orderedFrom_ = -1;  // the option the Tab order starts at
    QToolButton* details_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* stop_ = nullptr;
    // The model's window place that the screen already shows, in twips.
    int shownLeft_ = 0;
    int shownTop_ = 0;
    bool refreshing_ = false;
    bool sized_ = false;
};

}  // namespace kavro
