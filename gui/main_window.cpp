#include "gui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "gui/twips.h"
#include "qtplatform/qt_serial_port.h"

namespace kavro {
namespace {

constexpr const char* kEventWords[3] = {"Press", "Hold", "Release"};

// Keeps its place in the layout while hidden, so that a field appearing or
// disappearing does not shift its neighbours.
template <typename W>
W* Steady(W* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
    return widget;
}

QLineEdit* HexBox(const QString& name, int characters) {
    auto* box = new QLineEdit;
    box->setAlignment(Qt::AlignCenter);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QString(characters + 2, 'W')));
    SetAccessibleNames(box, name);
    return box;
}

int RowOfTop(int top) {
    if (top < 3240) return 0;
    if (top < 5520) return 1;
    if (top < 7800) return 2;
    return 3;
}

int TwipsFromPixels(int pixels) {
    return static_cast<int>(std::lround(pixels * 1440.0 / (Twips(1440) > 0 ? Twips(1440) : 96)));
}

// OLE1: the program's notice, a picture of a switch with its name.
QWidget* MakeNotice(const Version& version) {
    QPixmap picture(Twips(540), Twips(900));
    picture.fill(Qt::transparent);
    {
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF plate(1, 1, picture.width() - 2, picture.height() - 2);
        p.setPen(QPen(QColor(60, 60, 60), 1.5));
        p.setBrush(QColor(235, 235, 230));
        p.drawRoundedRect(plate, 6, 6);
        const double w = plate.width(), h = plate.height();
        for (int i = 0; i < 8; ++i) {  // eight buttons, two columns
            const QRectF button(plate.left() + w * (i % 2 ? 0.56 : 0.14), plate.top() + h * (0.08 + 0.225 * (i / 2)),
                                w * 0.30, h * 0.17);
            p.setBrush(i < 6 ? QColor(70, 110, 170) : QColor(150, 150, 150));
            p.drawRoundedRect(button, 3, 3);
        }
    }
    auto* notice = new QFrame;
    notice->setObjectName("OLE1");
    notice->setFrameShape(QFrame::StyledPanel);
    auto* image = new QLabel;
    image->setPixmap(picture);
    auto* text = new QLabel(QString("<b>Kavro Smart Switch</b><br>Configuration<br>Version %1.%2.%3")
                                .arg(version.major).arg(version.minor).arg(version.revision));
    auto* layout = new QHBoxLayout(notice);
    layout->addWidget(image);
    layout->addWidget(text, 1);
    SetAccessibleNames(notice, "Program notice");
    return notice;
}

}  // namespace

MainWindow::MainWindow(frmMain& form, QtUiServices& ui, QWidget* parent)
    : QMainWindow(parent), form_(form), screen_(form.Screen), ui_(ui) {
    setObjectName("frmMain");
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto* grid = new QGridLayout(client);

    auto* top = new QHBoxLayout;
    top->addWidget(makeShowFrame());
    auto* clear = new QPushButton("Clear Data");
    clear->setObjectName("Command1");
    SetAccessibleNames(clear, "Clear Data");
    connect(clear, &QPushButton::clicked, this, [this] { form_.Command1_Click(); });
    top->addWidget(clear, 0, Qt::AlignVCenter);
    top->addStretch();
    grid->addLayout(top, 0, 0);

    channels_ = new QGridLayout;
    for (int c = 0; c < kChannels; ++c) frames_[c] = makeChannelFrame(c);
    placeChannelFrames();
    // Both columns keep their width when a "Show" option empties one, as
    // the designed window does; spare height goes below the frames.
    const int frameWidth = frames_[0]->sizeHint().width();
    channels_->setColumnMinimumWidth(0, frameWidth);
    channels_->setColumnMinimumWidth(1, frameWidth);
    channels_->setRowStretch(4, 1);
    grid->addLayout(channels_, 1, 0);
    grid->setRowStretch(2, 1);
    grid->addWidget(makeRightColumn(), 1, 1, Qt::AlignTop);

    status_ = new QLabel(this);
    status_->setObjectName("connection");
    statusBar()->addWidget(status_, 1);
    // While a transfer runs: what it is doing and how far it got.
    progress_ = new QProgressBar(this);
    progress_->setObjectName("progress");
    progress_->setTextVisible(false);
    progress_->setMaximumWidth(Twips(2400));
    SetAccessibleNames(progress_, "Transfer progress");
    statusBar()->addPermanentWidget(progress_);
    progress_->hide();

    if (auto* port = dynamic_cast<QtSerialPort*>(&form_.MSComm1()))
        connect(port, &QtSerialPort::lostDevice, this, &MainWindow::refresh);
    screen_.setObserver([this] { refresh(); });
    form_.Transfer.setObserver([this] { refresh(); });
    qApp->installEventFilter(this);
    refresh();
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    screen_.setObserver({});
    form_.Transfer.setObserver({});
}

QWidget* MainWindow::makeShowFrame() {
    auto* frame = new QGroupBox("Show");
    frame->setObjectName("frmShow");
    auto* row = new QHBoxLayout(frame);
    const std::pair<OptionButton*, const char*> options[] = {
        {&screen_.opt13, "opt13"}, {&screen_.opt16, "opt16"}, {&screen_.opt78, "opt78"}, {&screen_.optAll, "optAll"}};
    for (auto [option, name] : options) {
        auto* radio = new QRadioButton;
        radio->setObjectName(name);
        binding_.bind(screen_, *option, radio);
        SetAccessibleNames(radio, radio->text());
        row->addWidget(radio);
    }
    return frame;
}

QGroupBox* MainWindow::makeChannelFrame(int c) {
    const QString channel = QString("Channel %1 ").arg(c + 1);
    auto* frame = new QGroupBox;
    frame->setObjectName(QString("Frame%1").arg(c + 1));
    binding_.bind(screen_.Frames[c], frame);
    frame->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* grid = new QGridLayout(frame);
    grid->setVerticalSpacing(Twips(60));
    grid->setColumnStretch(6, 1);  // spare width goes after the last field

    for (int e = 0; e < 3; ++e) {
        const int i = EventIndex(c, e);
        auto* command = new QComboBox;
        command->setObjectName(QString("Combo1_%1").arg(i));
        command->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        SetAccessibleNames(command, channel + kEventWords[e] + " command");
        binding_.bind(screen_.Combo1[i], command);

        auto* name = new QLabel;
        name->setObjectName(QString("Label2_%1").arg(LabelIndex(c, e)));
        binding_.bind(screen_.Label2[LabelIndex(c, e)], name);

        auto* data = Steady(HexBox(channel + kEventWords[e] + " data", 4));
        data->setObjectName(QString("SW_Data_%1").arg(i));
        binding_.bind(screen_.SW_Data[i], data);

        auto* range = Steady(new QLabel);
        range->setObjectName(QString("RANGE_%1").arg(i));
        range->setMinimumWidth(range->fontMetrics().horizontalAdvance("0->FF ms "));
        binding_.bind(screen_.RANGE[i], range);

        grid->addWidget(command, e, 0, 1, 2);
        grid->addWidget(name, e, 2);
        grid->addWidget(data, e, 3);
        grid->addWidget(range, e, 4);
    }
    auto* seq = new QCheckBox;
    seq->setObjectName(QString("Check3_%1").arg(c));
    SetAccessibleNames(seq, channel + "Seq");
    binding_.bind(screen_.Check3[c], seq);
    grid->addWidget(seq, 0, 5);

    // Lock priority, and the source group choice with its address.
    auto* priority = Steady(HexBox(channel + "Lock Priority", 2));
    priority->setObjectName(QString("PRI_%1").arg(c));
    binding_.bind(screen_.PRI[c], priority);
    auto* priorityLabel = Steady(new QLabel);
    binding_.bind(screen_.PRILBL[c], priorityLabel);
    auto* srcGroup = new QCheckBox;
    srcGroup->setObjectName(QString("Check1_%1").arg(SrcGroupBox(c)));
    SetAccessibleNames(srcGroup, channel + "Src Group");
    binding_.bind(screen_.Check1[SrcGroupBox(c)], srcGroup);
    auto* srcAddress = Steady(HexBox(channel + "Source Group Address", 6));
    srcAddress->setObjectName(QString("SwSrcGroup_%1").arg(c));
    binding_.bind(screen_.SwSrcGroup[c], srcAddress);
    auto* lockRow = new QHBoxLayout;
    lockRow->addWidget(priority);
    lockRow->addWidget(priorityLabel);
    grid->addLayout(lockRow, 3, 0);
    grid->addWidget(srcGroup, 3, 1, 1, 2, Qt::AlignRight);
    grid->addWidget(srcAddress, 3, 3, 1, 2, Qt::AlignLeft);

    // "Dest =" and the destination boxes, then the motor address.
    auto* dest = new QHBoxLayout;
    auto* destLabel = new QLabel;
    binding_.bind(screen_.Text1[c], destLabel);
    dest->addWidget(destLabel);
    dest->addSpacing(Twips(60));
    const std::tuple<int, const char*, const char*> boxes[] = {
        {GroupBox(c), "Group", "Use the Group (000000) Address."},
        {PointToPointBox(c), "P-P", "Use the Default Button Destination Address."},
        {SpecificBox(c), "Specific", nullptr}};
    for (auto [index, word, tip] : boxes) {
        auto* box = new QCheckBox;
        box->setObjectName(QString("Check1_%1").arg(index));
        if (tip) box->setToolTip(tip);
        SetAccessibleNames(box, channel + word);
        binding_.bind(screen_.Check1[index], box);
        dest->addWidget(box);
    }
    auto* motor = Steady(HexBox(channel + "Motor Address", 6));
    motor->setObjectName(QString("SpecAddr_%1").arg(c));
    binding_.bind(screen_.SpecAddr[c], motor);
    auto* motorLabel = Steady(new QLabel);
    binding_.bind(screen_.SpecLbl[c], motorLabel);
    dest->addWidget(motor);
    dest->addWidget(motorLabel);
    dest->addStretch();
    grid->addLayout(dest, 4, 0, 1, 6);
    return frame;
}

QWidget* MainWindow::makeRightColumn() {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* frame9 = new QGroupBox("Commands");
    frame9->setObjectName("Frame9");
    new QVBoxLayout(frame9);
    addCommand(frame9, "GET_DATA", "Get Config");
    addCommand(frame9, "SEND_DATA", "Send Config");
    addCommand(frame9, "Import", "Import Config");
    addCommand(frame9, "Export", "Export Config");
    addCommand(frame9, "Compare", "Compare")->setToolTip("Compare File to Switch setup");
    auto* selComm = addCommand(frame9, "SelComm", "Select Comm");
    auto* diag = addCommand(frame9, "DIAG", "Diagnostic");
    connect(frame9->findChild<QPushButton*>("GET_DATA"), &QPushButton::clicked, this, [this] {
        if (form_.Busy()) return;
        lastTransfer_ = LastTransfer::Read;
        form_.GET_DATA_Click();
    });
    connect(frame9->findChild<QPushButton*>("SEND_DATA"), &QPushButton::clicked, this, [this] {
        if (form_.Busy()) return;
        lastTransfer_ = LastTransfer::Write;
        form_.SEND_DATA_Click();
    });
    connect(selComm, &QPushButton::clicked, this, [this] { form_.SelComm_Click(); refresh(); });
    connect(diag, &QPushButton::clicked, this, [this] { form_.DIAG_Click(); });
    connect(frame9->findChild<QPushButton*>("Import"), &QPushButton::clicked, this, [this] { form_.Import_Click(); });
    connect(frame9->findChild<QPushButton*>("Export"), &QPushButton::clicked, this, [this] { form_.Export_Click(); });
    connect(frame9->findChild<QPushButton*>("Compare"), &QPushButton::clicked, this, [this] { form_.Compare_Click(); });
    layout->addWidget(frame9);

    auto* frame10 = new QGroupBox("Switch Address");
    frame10->setObjectName("Frame10");
    auto* switchAddress = HexBox("Switch Address", 6);
    switchAddress->setObjectName("ADDR_3");
    binding_.bind(screen_.ADDR[3], switchAddress);
    auto* useSwitch = new QCheckBox;
    useSwitch->setObjectName("UseSwPP");
    useSwitch->setToolTip("The default Global Address is FFFFFF click to overide and use the P-P Addr for communications");
    SetAccessibleNames(useSwitch, "Use Switch Address for Config");
    binding_.bind(screen_.UseSwPP, useSwitch);
    auto* f10 = new QVBoxLayout(frame10);
    f10->addWidget(switchAddress, 0, Qt::AlignHCenter);
    f10->addWidget(useSwitch);
    layout->addWidget(frame10);

    auto* frame11 = new QGroupBox("P-P Motor Address");
    frame11->setObjectName("Frame11");
    auto* ppAddress = HexBox("P-P Motor Address", 6);
    ppAddress->setObjectName("ADDR_1");
    ppAddress->setToolTip("This P-P Address is used if the \"P-P\" Checkbox is active in the \"Button\" boxes.");
    binding_.bind(screen_.ADDR[1], ppAddress);
    (new QVBoxLayout(frame11))->addWidget(ppAddress, 0, Qt::AlignHCenter);
    layout->addWidget(frame11);

    auto* frmSF = new QGroupBox("Firmware Version");
    frmSF->setObjectName("frmSF");
    auto* firmware = HexBox("Firmware Version", 6);
    firmware->setObjectName("SW_FIRMWARE");
    binding_.bind(screen_.SW_FIRMWARE, firmware);
    (new QVBoxLayout(frmSF))->addWidget(firmware, 0, Qt::AlignHCenter);
    layout->addWidget(frmSF);

    layout->addWidget(MakeNotice(ProgramVersion()));
    return column;
}

QPushButton* MainWindow::addCommand(QGroupBox* frame, const char* name, const char* caption) {
    auto* b = new QPushButton(caption, frame);
    b->setObjectName(name);
    SetAccessibleNames(b, caption);
    b->setMinimumSize(Twips(1335), Twips(375));
    frame->layout()->addWidget(b);
    return b;
}

// After a transfer the status line says how it went, in a few words.
std::string MainWindow::lastStatus() const {
    const ReadReport& read = form_.Transfer.lastRead();
    const WriteReport& write = form_.Transfer.lastWrite();
    std::string text = form_.ConnectionText();
    Verdict verdict;
    if (lastTransfer_ == LastTransfer::Read) verdict = ReadVerdict(read);
    if (lastTransfer_ == LastTransfer::Write) verdict = WriteVerdict(write);
    if (!verdict.summary.empty()) text += "  -  " + verdict.summary;
    return text;
}

QPushButton* MainWindow::button(const QString& objectName) const {
    return findChild<QPushButton*>(objectName);
}

// Frames 1-3 and 7 stand in the left column, 4-6 and 8 in the right; the
// row follows each frame's top, which the "Show" options change.
void MainWindow::placeChannelFrames() {
    for (int c = 0; c < kChannels; ++c) {
        const int top = screen_.Frames[c].top();
        if (placedTops_[c] == top && channels_->indexOf(frames_[c]) >= 0) continue;
        placedTops_[c] = top;
        channels_->removeWidget(frames_[c]);
        channels_->addWidget(frames_[c], RowOfTop(top), (c < 3 || c == 6) ? 0 : 1);
    }
}

void MainWindow::refresh() {
    if (refreshing_) return;
    refreshing_ = true;
    setWindowTitle(QString::fromStdString(form_.Caption));
    const TransferProgress& progress = form_.Transfer.progress();
    status_->setText(QString::fromStdString(progress.active ? progress.text : lastStatus()));
    progress_->setVisible(progress.active);
    progress_->setRange(0, std::max(progress.steps, 1));
    progress_->setValue(progress.step);
    for (const char* name : {"GET_DATA", "SEND_DATA", "Import", "Export", "Compare", "Command1", "SelComm"})
        button(name)->setEnabled(!progress.active);
    binding_.refresh();
    placeChannelFrames();
    // The keyboard moved the window in the model: move it by the same step.
    if (screen_.Left != shownLeft_ || screen_.Top != shownTop_) {
        const QPoint step(Twips(screen_.Left - shownLeft_), Twips(screen_.Top - shownTop_));
        shownLeft_ = screen_.Left;
        shownTop_ = screen_.Top;
        move(pos() + step);
    }
    refreshing_ = false;
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    // Keep the model's idea of the window's place in step with the screen
    // when the user drags it.
    if (refreshing_) return;
    screen_.Left = shownLeft_ = TwipsFromPixels(pos().x());
    screen_.Top = shownTop_ = TwipsFromPixels(pos().y());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The main window sees key presses before its controls do.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        const auto* key = static_cast<QKeyEvent*>(event);
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
        if (screen_.Form_KeyDown(k, modifiers)) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    form_.Form_Unload();
    event->accept();
    // Every other window goes with the main one.
    QApplication::closeAllWindows();
    QApplication::quit();
}

}  // namespace kavro
