#include "gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QStatusBar>
#include <QVBoxLayout>

#include "gui/twips.h"
#include "qtplatform/qt_serial_port.h"

namespace kavro {

MainWindow::MainWindow(frmMain& form, QtUiServices& ui, QWidget* parent)
    : QMainWindow(parent), form_(form), ui_(ui) {
    setObjectName("frmMain");
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto* columns = new QHBoxLayout(client);
    // Wide enough for the whole title in the window's frame.
    client->setMinimumWidth(fontMetrics().horizontalAdvance(QString::fromStdString(form_.Caption)) + Twips(2400));

    // The "Commands" frame (Frame9) with its seven buttons, in rows as
    // designed; the layout sizes them so that no caption is cut.
    auto* frame9 = new QGroupBox("Commands", client);
    frame9->setObjectName("Frame9");
    new QVBoxLayout(frame9);
    columns->addStretch();
    columns->addWidget(frame9, 0, Qt::AlignTop);
    addCommand(frame9, "GET_DATA", "Get Config");
    addCommand(frame9, "SEND_DATA", "Send Config");
    addCommand(frame9, "Import", "Import Config");
    addCommand(frame9, "Export", "Export Config");
    addCommand(frame9, "Compare", "Compare")->setToolTip("Compare File to Switch setup");
    auto* selComm = addCommand(frame9, "SelComm", "Select Comm");
    auto* diag = addCommand(frame9, "DIAG", "Diagnostic");
    connect(selComm, &QPushButton::clicked, this, [this] { form_.SelComm_Click(); refresh(); });
    connect(diag, &QPushButton::clicked, this, [this] { form_.DIAG_Click(); });
    // Reading, writing and the configuration files arrive with the screen.
    for (const char* name : {"GET_DATA", "SEND_DATA", "Import", "Export", "Compare"})
        button(name)->setEnabled(false);

    status_ = new QLabel(this);
    status_->setObjectName("connection");
    statusBar()->addWidget(status_);

    if (auto* port = dynamic_cast<QtSerialPort*>(&form_.MSComm1()))
        connect(port, &QtSerialPort::lostDevice, this, &MainWindow::refresh);
    refresh();
}

QPushButton* MainWindow::addCommand(QGroupBox* frame, const char* name, const char* caption) {
    auto* b = new QPushButton(caption, frame);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    b->setAccessibleDescription(caption);
    b->setMinimumSize(Twips(1335), Twips(375));
    frame->layout()->addWidget(b);
    return b;
}

QPushButton* MainWindow::button(const QString& objectName) const {
    return findChild<QPushButton*>(objectName);
}

void MainWindow::refresh() {
    setWindowTitle(QString::fromStdString(form_.Caption));
    status_->setText(QString::fromStdString(form_.ConnectionText()));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    form_.Form_Unload();
    event->accept();
    // Every other window goes with the main one.
    QApplication::closeAllWindows();
    QApplication::quit();
}

}  // namespace kavro
