#include "gui/main_window.h"

#include "gui/history_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>

#include "configfile/whole_file.h"
#include "editor/legacy_names.h"
#include "history/history_time.h"
#include "platform/utf8_path.h"
#include "gui/accessible_widgets.h"
#include "gui/channel_frame.h"
#include "gui/sheet_printing.h"
#include "gui/twips.h"
#include "gui/window_icon.h"

namespace kavro {
namespace {

// A button that opens its menu at a click, captioned by text alone.
QToolButton* MenuButton(const char* name, const char* text, const char* tip) {
    auto* button = new QToolButton;
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(tip);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

// The buttons of the "Commands" frame, top to bottom, with the handler each
// forwards to. All but "Diagnostic" wait while a transfer runs.
struct CommandButton {
    const char* name;     // the Qt object name
    const char* caption;  // with its keyboard mnemonic
    void (SwitchTool::*click)();
    const char* tip;
};
constexpr CommandButton kCommandButtons[] = {
    {legacy::kReadSwitch, "&Get Config", &SwitchTool::readSwitch, nullptr},
    {legacy::kWriteSwitch, "&Send Config", &SwitchTool::writeSwitch, nullptr},
    {legacy::kImport, "&Import Config", &SwitchTool::importConfig, nullptr},
    {legacy::kExport, "E&xport Config", &SwitchTool::exportConfig, nullptr},
    {legacy::kCompare, "&Compare", &SwitchTool::compareWithFile, "Compare File to Switch setup"},
    {legacy::kSelectPort, "Select Co&mm", &SwitchTool::selectPort, nullptr},
    {legacy::kDiagnostic, "&Diagnostic", &SwitchTool::showDiagnostic, nullptr},
};

// The "Show" options with their keyboard mnemonics (Alt+1, Alt+6, Alt+7,
// Alt+A): the arrow keys move the window, so the options are reached by
// these and by Tab.
constexpr const char* kShowCaptions[4] = {"&1 - 3", "1- &6 ", "&7 - 8", "&All"};

int RowOfTop(int top) {
    if (top < 3240) return 0;
    if (top < 5520) return 1;
    if (top < 7800) return 2;
    return 3;
}

int TwipsFromPixels(int pixels) {
    return static_cast<int>(std::lround(pixels * 1440.0 / (Twips(1440) > 0 ? Twips(1440) : 96)));
}

QScrollArea* Scrolling(QWidget* content) {
    auto* area = new QScrollArea;
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setFocusPolicy(Qt::NoFocus);  // no Tab stop nobody sees; the wheel still scrolls it
    return area;
}

// The program's notice, a picture of a switch with its name.
QWidget* MakeNotice(const Version& version) {
    auto* notice = new QFrame;
    notice->setObjectName("OLE1");
    notice->setAccessibleName("Program notice");
    notice->setFrameShape(QFrame::StyledPanel);
    auto* image = new QLabel;
    image->setPixmap(ProgramIcon().pixmap(Twips(720), Twips(720)));
    auto* text = new QLabel(QString("<b>Kavro Smart Switch</b><br>Configuration<br>Version %1.%2.%3")
                                .arg(version.major)
                                .arg(version.minor)
                                .arg(version.revision));
    auto* layout = new QHBoxLayout(notice);
    layout->addWidget(image);
    layout->addWidget(text, 1);
    return notice;
}

}  // namespace

MainWindow::MainWindow(SwitchTool& form, QtUiServices& ui, QWidget* parent)
    : QMainWindow(parent), form_(form), screen_(form.screen()), ui_(ui) {
    setObjectName(legacy::kMainWindow);
    setWindowIcon(ProgramIcon());
    InstallAccessibleWidgets();
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto* columns = new QHBoxLayout(client);
    columns->setContentsMargins(Twips(60), Twips(60), Twips(60), 0);
    columns->addWidget(makeChannelArea(), 1);
    auto* right = new QVBoxLayout;
    right->addWidget(makeCommandsFrame());
    QScrollArea* addresses = Scrolling(makeAddressColumn());
    addresses->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);  // may shrink to nothing
    // ... in height only: as wide as its widest box, with room for its scroll bar.
    addresses->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    addresses->setMinimumWidth(addresses->widget()->minimumSizeHint().width() +
                               addresses->verticalScrollBar()->sizeHint().width());
    right->addWidget(addresses, 1);
    columns->addLayout(right);
    makeStatusBar();

    form_.setPortLostObserver([this] { refresh(); });
    ui_.portDescription = [this] { return form_.connectionText(); };
    screen_.setObserver([this] { refresh(); });
    form_.setTransferObserver([this] { refresh(); });
    qApp->installEventFilter(this);
    refresh();
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    screen_.setObserver({});
    form_.setTransferObserver({});
    form_.setPortLostObserver({});
    ui_.portDescription = {};
}

QWidget* MainWindow::makeShowRow() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* frame = new QGroupBox("Show");
    frame->setObjectName("frmShow");
    auto* options = new QHBoxLayout(frame);
    OptionButton* const shows[] = {&screen_.show1to3, &screen_.show1to6, &screen_.show7to8, &screen_.showAll};
    for (int k = 0; k < 4; ++k) {
        OptionButton* option = shows[k];
        auto* radio = new ShowOption;
        radio->setObjectName(legacy::kShowOptions[k]);
        // Each option a Tab stop of its own; the model keeps one ticked.
        radio->setAutoExclusive(false);
        binding_.bind(screen_, *option, radio);
        radio->setText(kShowCaptions[k]);
        options->addWidget(radio);
        shows_[k] = radio;
    }
    layout->addWidget(frame);
    auto* clear = new QPushButton("C&lear Data");
    clear->setObjectName(legacy::kClearData);
    connect(clear, &QPushButton::clicked, this, [this] {
        form_.clearData();
        refresh();
    });
    lockedDuringTransfer_.push_back(clear);
    // Two by two, in the height of the "Show" frame: in one line they would
    // leave a 1024 x 600 screen too narrow for a channel frame.
    auto* buttons = new QGridLayout;
    buttons->addWidget(clear, 0, 0);
    buttons->addWidget(makeHistoryButton(), 0, 1);
    for (QToolButton* menu : {makeFileButton(), makeOptionsButton()}) {
        menu->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);  // as wide as the button above
        buttons->addWidget(menu, 1, buttons->count() - 2);
    }
    layout->addLayout(buttons);
    layout->addStretch();
    // The notice in the room the row leaves, rather than under the
    // addresses, where a small screen has none.
    layout->addWidget(MakeNotice(ProgramVersion()));
    return row;
}

// The "Show" options and the eight channel frames, scrolling when the
// window is smaller than they are: in two columns where the window is wide
// enough, else in one, so that only a vertical scroll bar is ever needed
// for a frame's full width (a 1024 x 600 netbook).
QWidget* MainWindow::makeChannelArea() {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->addWidget(makeShowRow());
    channels_ = new QGridLayout;
    for (int c = 0; c < kChannels; ++c) frames_[c] = MakeChannelFrame(screen_, binding_, c);
    frameWidth_ = frames_[0]->sizeHint().width();
    layout->addLayout(channels_);
    layout->addStretch(1);
    placeChannelFrames();
    twoColumnsWidth_ = content->minimumSizeHint().width();
    channelArea_ = Scrolling(content);
    channelArea_->setObjectName("channelArea");
    return channelArea_;
}

// Two columns while the channel area has room for them beside a vertical
// scroll bar (so that the bar coming or going never changes the choice).
void MainWindow::reflowChannels() {
    const int room = channelArea_->width() - channelArea_->verticalScrollBar()->sizeHint().width();
    const int columns = room >= twoColumnsWidth_ ? 2 : 1;
    if (columns == columns_) return;
    columns_ = columns;
    placeChannelFrames();
}

QGroupBox* MainWindow::makeCommandsFrame() {
    auto* frame = new QGroupBox("Commands");
    frame->setObjectName("Frame9");
    auto* layout = new QVBoxLayout(frame);
    layout->setSpacing(Twips(45));
    layout->setContentsMargins(Twips(105), Twips(105), Twips(105), Twips(105));
    for (const CommandButton& command : kCommandButtons) {
        auto* b = new QPushButton(command.caption, frame);
        b->setObjectName(command.name);
        if (command.tip) b->setToolTip(command.tip);
        b->setMinimumSize(Twips(1335), Twips(375));
        const auto click = command.click;
        const bool transfer = click == &SwitchTool::readSwitch || click == &SwitchTool::writeSwitch;
        connect(b, &QPushButton::clicked, this, [this, click, b, transfer] {
            std::invoke(click, form_);
            refresh();
            // A transfer locked the button and focus moved on: it comes back,
            // unless the read-back's differences came up in their window.
            if (transfer && isActiveWindow() && !form_.verifyWindowOpen()) b->setFocus(Qt::OtherFocusReason);
        });
        if (command.click != &SwitchTool::showDiagnostic) lockedDuringTransfer_.push_back(b);
        layout->addWidget(b);
    }
    // Under the designed buttons, so that none of them moves.
    auto* verify = new QCheckBox;
    verify->setObjectName("verifyAfterSend");
    verify->setToolTip("After Send Config, read the switch back and check that it holds what was sent");
    binding_.bind(form_.verifyAfterSend(), verify);
    verify->setText("&" + verify->text());  // the model's caption, Alt+V
    layout->addWidget(verify);
    frame->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return frame;
}

// "Back up before Send", switch address, P-P motor address and firmware
// version: at 1024 x 600 they fit under the Commands frame whole.
QWidget* MainWindow::makeAddressColumn() {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    // Under "Verify after Send", outside the Commands frame: the frame keeps
    // its height, which a small screen needs whole.
    auto* backUp = new QCheckBox;
    backUp->setObjectName("backUpBeforeSend");
    backUp->setToolTip("Before Send Config, read the switch and keep what it holds in the history, so that the send "
                       "can be undone");
    binding_.bind(form_.backUpBeforeSend(), backUp);
    backUp->setText("&" + backUp->text());  // the model's caption, Alt+B
    auto* backUpRow = new QHBoxLayout;
    backUpRow->setContentsMargins(Twips(105) + 1, 0, 0, 0);  // in line with "Verify after Send"
    backUpRow->addWidget(backUp);
    layout->addLayout(backUpRow);

    auto* switchFrame = new QGroupBox("Switch Address");
    switchFrame->setObjectName("Frame10");
    auto* switchAddress = HexBox("Switch Address", 6);
    switchAddress->setObjectName(legacy::kSwitchAddress);
    binding_.bind(screen_.switchAddress, switchAddress);
    auto* useSwitch = new QCheckBox;
    useSwitch->setObjectName(legacy::kUseSwitchAddress);
    useSwitch->setToolTip("The default Global Address is FFFFFF click to override and use the P-P Addr for communications");
    binding_.bind(screen_.useSwitchAddress, useSwitch);
    auto* switchRows = new QVBoxLayout(switchFrame);
    switchRows->addWidget(switchAddress, 0, Qt::AlignHCenter);
    switchRows->addWidget(useSwitch);
    layout->addWidget(switchFrame);

    auto* ppFrame = new QGroupBox("P-P Motor Address");
    ppFrame->setObjectName("Frame11");
    auto* ppAddress = HexBox("P-P Motor Address", 6);
    ppAddress->setObjectName(legacy::kPointToPointAddress);
    ppAddress->setToolTip("This P-P Address is used if the \"P-P\" Checkbox is active in the \"Button\" boxes.");
    binding_.bind(screen_.ppMotorAddress, ppAddress);
    (new QVBoxLayout(ppFrame))->addWidget(ppAddress, 0, Qt::AlignHCenter);
    layout->addWidget(ppFrame);

    auto* firmwareFrame = new QGroupBox("Firmware Version");
    firmwareFrame->setObjectName("frmSF");
    auto* firmware = HexBox("Firmware Version", 6);
    firmware->setObjectName(legacy::kFirmwareVersion);
    binding_.bind(screen_.firmwareVersion, firmware);
    (new QVBoxLayout(firmwareFrame))->addWidget(firmware, 0, Qt::AlignHCenter);
    layout->addWidget(firmwareFrame);

    layout->addStretch(1);
    return column;
}

// The status line: the port in use and how the last command went (in full
// behind "Details" when it went wrong); during a transfer what it does, how
// far it got, and a way to stop it.
void MainWindow::makeStatusBar() {
    status_ = new ElidingLabel(this);
    status_->setObjectName("connection");
    statusBar()->addWidget(status_, 1);
    damaged_ = new QLabel(this);
    damaged_->setObjectName("damagedLoad");
    damaged_->setToolTip("The rest of the screen is what it showed before the damaged file was imported; Send "
                         "Config asks before writing it");
    statusBar()->addPermanentWidget(damaged_);
    unsent_ = new QLabel(SwitchTool::kUnsentMark, this);
    unsent_->setObjectName("unsentChanges");
    unsent_->setToolTip("Closing the window, Clear Data, Get Config and Import Config ask before these changes are "
                        "lost");
    statusBar()->addPermanentWidget(unsent_);
    details_ = new QToolButton(this);
    details_->setObjectName("verdictDetails");
    details_->setText("De&tails...");
    details_->setToolTip("What went wrong and what to do");
    connect(details_, &QToolButton::clicked, this, &MainWindow::showVerdictDetails);
    statusBar()->addPermanentWidget(details_);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("progress");
    progress_->setTextVisible(false);
    progress_->setMaximumWidth(Twips(2400));
    progress_->setAccessibleName("Transfer progress");
    statusBar()->addPermanentWidget(progress_);
    stop_ = new QPushButton("Sto&p", this);
    stop_->setObjectName("stop");
    stop_->setToolTip("Stop the transfer at its next frame (Escape)");
    connect(stop_, &QPushButton::clicked, this, [this] { form_.stopTransfer(); });
    statusBar()->addPermanentWidget(stop_);
}

// The window's settings, beside the choice of channels shown: preferences
// of the user's that are no part of a configuration. A button with a menu
// rather than a menu bar: a menu bar's height is more than a 1024 x 600
// screen at scale 2 has to spare.
QToolButton* MainWindow::makeOptionsButton() {
    auto* button = MenuButton("options", "&Options", "The window's settings");
    auto* menu = new QMenu(button);
    auto* arrows = new QAction(menu);
    arrows->setObjectName("arrowKeysMoveWindow");
    binding_.bind(screen_.arrowKeysMoveWindow, arrows);
    arrows->setText("&Arrow keys move the window");
    arrows->setToolTip("Off: the arrow keys move through the focused command list or text box instead");
    menu->addAction(arrows);
    button->setMenu(menu);
    return button;
}

// The way back from a write without the command line: the journal's
// entries of the switch on screen, and Load or Restore of one.
QPushButton* MainWindow::makeHistoryButton() {
    auto* button = new QPushButton("&History...");
    button->setObjectName("history");
    button->setToolTip("What the journal keeps of the switch on screen: load a configuration it held, or put it back");
    connect(button, &QPushButton::clicked, this, &MainWindow::showHistory);
    lockedDuringTransfer_.push_back(button);
    return button;
}

void MainWindow::showHistory() {
    auto* window = new HistoryWindow(form_, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &HistoryWindow::loadChosen, this, [this](qint64 entry) {
        form_.loadFromHistory(entry);
        refresh();
    });
    connect(window, &HistoryWindow::restoreChosen, this, [this](qint64 entry) {
        form_.restoreFromHistory(entry);
        refresh();
    });
    window->open();
}

// File: the sheet of the screen's configuration on paper, as a site's
// commissioning report prints a switch. A button with a menu, as Options
// is, rather than a menu bar a small screen has no height for. Not while
// a transfer fills or reads the screen: the sheet would be half one and
// half the other.
QToolButton* MainWindow::makeFileButton() {
    auto* button = MenuButton("fileMenu", "&File", "Print the sheet of this configuration, or save it as PDF");
    auto* file = new QMenu(button);
    QAction* print = file->addAction("&Print\u2026", this, &MainWindow::printSheet);
    print->setObjectName("printSheet");
    print->setShortcut(QKeySequence::Print);
    print->setToolTip("Print the sheet of this configuration: each channel's events in words, and the buttons drawn");
    QAction* pdf = file->addAction("&Export PDF\u2026", this, &MainWindow::exportSheetPdf);
    pdf->setObjectName("exportSheetPdf");
    pdf->setToolTip("Save the sheet of this configuration as a PDF file");
    addAction(print);  // Ctrl+P with the menu closed
    button->setMenu(file);
    menuLockedDuringTransfer_ = {print, pdf};
    return button;
}

SwitchSheet MainWindow::screenSheet() const {
    return SheetOfScreen(screen_, BusText(form_.bus()), HistoryTimeText(std::chrono::system_clock::now()));
}

void MainWindow::printSheet() {
    if (form_.busy()) return;
    const SwitchSheet sheet = screenSheet();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromStdString(sheet.title));
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle("Print");
    if (dialog.exec() != QDialog::Accepted) return;
    PrintSheet(sheet, printer);
}

// Written whole or not at all, as every file the program writes.
void MainWindow::exportSheetPdf() {
    if (form_.busy()) return;
    const SwitchSheet sheet = screenSheet();
    const QString file = ui_.chooseSaveFile("Export PDF", QString::fromStdString(sheet.title) + ".pdf", "pdf");
    if (file.isEmpty()) return;
    const QByteArray pdf = SheetPdf(sheet, QString::fromStdString(form_.title()));
    const WriteResult written = WriteWholeFile(PathFromUtf8(file.toStdString()), pdf.toStdString(), true);
    if (written.outcome == WriteOutcome::Written) {
        statusBar()->showMessage("Sheet saved as " + file, 10000);
        return;
    }
    ui_.messageBox("The sheet could not be saved as " + file.toStdString() + ": " +
                       (written.detail.empty() ? std::string("a folder has that name") : written.detail),
                   kProgramCaption);
}

void MainWindow::showVerdictDetails() {
    const Verdict verdict = form_.lastVerdict();
    QMessageBox box(QMessageBox::Warning, kProgramCaption, QString::fromStdString(verdict.summary), QMessageBox::Ok,
                    this);
    box.setInformativeText(QString::fromStdString(verdict.advice));
    box.exec();
}

QPushButton* MainWindow::button(const QString& objectName) const {
    return findChild<QPushButton*>(objectName);
}

// In two columns frames 1-3 and 7 stand in the left column, 4-6 and 8 in
// the right; the row follows each frame's top, which the "Show" options
// change. Both columns keep their width when a "Show" option empties one,
// as the designed window does; spare height goes below the frames. In one
// column the frames stand in the order of their channels.
void MainWindow::placeChannelFrames() {
    const bool twoColumns = columns_ == 2;
    if (placedColumns_ != columns_) {
        placedColumns_ = columns_;
        placedTops_.fill(-1);
        channels_->setColumnMinimumWidth(0, frameWidth_);
        channels_->setColumnMinimumWidth(1, twoColumns ? frameWidth_ : 0);
    }
    for (int c = 0; c < kChannels; ++c) {
        const int top = screen_.frames[c].top();
        if (placedTops_[c] == top && channels_->indexOf(frames_[c]) >= 0) continue;
        placedTops_[c] = top;
        channels_->removeWidget(frames_[c]);
        if (twoColumns) channels_->addWidget(frames_[c], RowOfTop(top), (c < 3 || c == 6) ? 0 : 1);
        else channels_->addWidget(frames_[c], c, 0);
    }
}

// The whole status in the accessible name and the tip; on screen as much as
// the line holds.
void MainWindow::showStatus() {
    const TransferProgress progress = form_.progress();
    const QString text = QString::fromStdString(progress.active ? progress.text : form_.statusText());
    status_->setFullText(text);
    status_->setAccessibleName(text);
    const Verdict verdict = form_.lastVerdict();
    details_->setVisible(!progress.active && !verdict.advice.empty());
    unsent_->setVisible(form_.unsentChanges());
    const QString damaged = QString::fromStdString(form_.damagedLoadMark());
    damaged_->setText(damaged);
    damaged_->setVisible(!damaged.isEmpty());
}

void MainWindow::refresh() {
    if (refreshing_) return;
    refreshing_ = true;
    setWindowTitle(QString::fromStdString(form_.title()));
    const TransferProgress progress = form_.progress();
    showStatus();
    progress_->setVisible(progress.active);
    stop_->setVisible(progress.active);
    progress_->setRange(0, std::max(progress.steps, 1));
    progress_->setValue(progress.step);
    for (QPushButton* b : lockedDuringTransfer_) b->setEnabled(!progress.active);
    for (QAction* a : menuLockedDuringTransfer_) a->setEnabled(!progress.active);
    binding_.refresh();
    placeChannelFrames();
    orderShowOptions();
    // The keyboard moved the window in the model: move it by the same step.
    if (screen_.left() != shownLeft_ || screen_.top() != shownTop_) {
        const QPoint step(Twips(screen_.left() - shownLeft_), Twips(screen_.top() - shownTop_));
        shownLeft_ = screen_.left();
        shownTop_ = screen_.top();
        move(pos() + step);
    }
    refreshing_ = false;
}

// The first time it shows, the window takes the whole content's size where
// the screen has room for it: the channel area asks for all of it just
// long enough to take the size of widgets as they are shown.
void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (sized_) return;
    sized_ = true;
    columns_ = 2;  // the frames as designed, for as long as the size is taken
    placeChannelFrames();
    const QSize content = channelArea_->widget()->sizeHint().expandedTo(channelArea_->widget()->minimumSizeHint());
    channelArea_->setMinimumSize(content + QSize(channelArea_->verticalScrollBar()->sizeHint().width(), 0));
    layout()->activate();
    const QSize full = sizeHint();
    channelArea_->setMinimumSize(0, 0);
    if (const QScreen* s = screen()) resize(full.boundedTo(s->availableGeometry().size()));
    reflowChannels();
    // The window manager adds its frame once the window is on screen.
    QTimer::singleShot(200, this, &MainWindow::fitToScreen);
    fitToScreen();
}

// The window and its frame within the available screen (no panel over
// the status line on a 1024 x 600 netbook), once, as it first shows.
void MainWindow::fitToScreen() {
    const QScreen* s = screen();
    if (!s || isMaximized() || isFullScreen()) return;
    const QRect available = s->availableGeometry();
    const QSize frame = frameGeometry().size() - size();
    const QSize room = (available.size() - frame).expandedTo(minimumSize());
    if (width() > room.width() || height() > room.height()) resize(size().boundedTo(room));
    QRect placed = frameGeometry();
    placed.moveRight(std::min(placed.right(), available.right()));
    placed.moveBottom(std::min(placed.bottom(), available.bottom()));
    placed.moveLeft(std::max(placed.left(), available.left()));
    placed.moveTop(std::max(placed.top(), available.top()));
    if (placed.topLeft() != frameGeometry().topLeft()) move(placed.topLeft());
}

// A palette changed while the program runs (a dark theme chosen) gets the
// event names' colours chosen again.
void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) refresh();
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    // Keep the model's idea of the window's place in step with the screen
    // when the user drags it.
    if (refreshing_) return;
    shownLeft_ = TwipsFromPixels(pos().x());
    shownTop_ = TwipsFromPixels(pos().y());
    screen_.windowDragged(shownLeft_, shownTop_);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Before the window first shows, it has no size of its own to reflow to.
    if (event->type() == QEvent::Resize && watched == channelArea_ && sized_) reflowChannels();
    // The main window sees key presses before its controls do.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && form_.busy()) {
            form_.stopTransfer();
            return true;
        }
        Key k = Key::Other;
        switch (key->key()) {
        case Qt::Key_Up: k = Key::Up; break;
        case Qt::Key_Down: k = Key::Down; break;
        case Qt::Key_Left: k = Key::Left; break;
        case Qt::Key_Right: k = Key::Right; break;
        default: break;
        }
        unsigned modifiers = kNoModifier;
        if (key->modifiers() & Qt::ShiftModifier) modifiers |= kShift;
        if (key->modifiers() & Qt::ControlModifier) modifiers |= kCtrl;
        if (key->modifiers() & Qt::AltModifier) modifiers |= kAlt;
        if (screen_.keyDown(k, modifiers)) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// Tab enters the "Show" group at the ticked option and goes on through the
// others, round: the options stand in the Tab order from the ticked one.
void MainWindow::orderShowOptions() {
    const OptionButton* const options[] = {&screen_.show1to3, &screen_.show1to6, &screen_.show7to8, &screen_.showAll};
    int ticked = 0;
    while (ticked < 3 && !options[ticked]->value()) ++ticked;
    if (ticked == orderedFrom_) return;
    if (!beforeShows_) {
        beforeShows_ = shows_[0]->previousInFocusChain();
        while (std::find(shows_.begin(), shows_.end(), beforeShows_) != shows_.end())
            beforeShows_ = beforeShows_->previousInFocusChain();
    }
    orderedFrom_ = ticked;
    QWidget* previous = beforeShows_;
    for (int k = 0; k < 4; ++k) {
        QWidget::setTabOrder(previous, shows_[(ticked + k) % 4]);
        previous = shows_[(ticked + k) % 4];
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!form_.mayClose()) {
        event->ignore();
        return;
    }
    form_.shutDown();
    event->accept();
    // Every other window goes with the main one.
    QApplication::closeAllWindows();
    QApplication::quit();
}

}  // namespace kavro
