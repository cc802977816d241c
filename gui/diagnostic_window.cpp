#include "gui/diagnostic_window.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QVBoxLayout>

#include "gui/twips.h"

namespace kavro {

DiagnosticWindow::DiagnosticWindow(DiagnosticLog& log, QWidget* parent)
    : QWidget(parent, Qt::Window), log_(log) {
    setObjectName("frm_Diagnostic");
    setWindowTitle(QString::fromStdString(log_.title()));
    resize(Twips(11580), Twips(8490));

    frame_ = new QGroupBox("Communication Window", this);
    txtComWindow_ = new QPlainTextEdit(frame_);
    txtComWindow_->setObjectName("txtComWindow");
    txtComWindow_->setReadOnly(true);
    txtComWindow_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtComWindow_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtComWindow_->setAccessibleName("Communication Window");
    txtComWindow_->setAccessibleDescription("Serial traffic, newest frame first");

    auto* inner = new QVBoxLayout(frame_);
    inner->addWidget(txtComWindow_);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(Twips(360), Twips(240), Twips(360), Twips(240));
    outer->addWidget(frame_);
    refresh();
}

void DiagnosticWindow::refresh() {
    const Rgb c = log_.colour();
    QPalette palette = txtComWindow_->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, QColor(c.r, c.g, c.b));
    txtComWindow_->setPalette(palette);
    // The entries end in CR LF; the box shows each entry on its own line.
    QString text = QString::fromLatin1(log_.text().data(), static_cast<int>(log_.text().size()));
    text.remove('\r');
    if (txtComWindow_->toPlainText() != text) txtComWindow_->setPlainText(text);
}

void DiagnosticWindow::closeEvent(QCloseEvent* event) {
    log_.close();
    event->accept();
}

}  // namespace kavro
