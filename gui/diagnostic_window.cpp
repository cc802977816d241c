#include "gui/diagnostic_window.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QVBoxLayout>

#include "editor/legacy_names.h"
#include "platform/ui_services.h"
#include "shell/version.h"
#include "gui/twips.h"
#include "transfer/traffic_decoder.h"

namespace kavro {

DiagnosticWindow::DiagnosticWindow(DiagnosticLog& log, std::function<QString(const QString&)> chooseFile,
                                   std::function<QString()> port, QWidget* parent)
    : QWidget(parent, Qt::Window), log_(log), chooseFile_(std::move(chooseFile)), port_(std::move(port)) {
    setObjectName(legacy::kDiagnosticWindow);
    setWindowTitle(QString::fromStdString(log_.title()));
    resize(Twips(11580), Twips(8490));

    frame_ = new QGroupBox("Communication Window", this);
    traffic_ = new QPlainTextEdit(frame_);
    traffic_->setObjectName(legacy::kTrafficText);
    traffic_->setReadOnly(true);
    traffic_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    traffic_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    traffic_->setAccessibleName("Communication Window");
    traffic_->setAccessibleDescription("Serial traffic, newest frame first");
    decoded_ = new QCheckBox("Show what each frame &means", this);
    decoded_->setObjectName("decoded");
    decoded_->setAccessibleName("Show what each frame means");
    connect(decoded_, &QCheckBox::toggled, this, &DiagnosticWindow::refresh);
    save_ = new QPushButton("&Save Log...", this);
    save_->setObjectName("saveLog");
    save_->setAccessibleName("Save Log");
    connect(save_, &QPushButton::clicked, this, &DiagnosticWindow::saveLog);

    auto* inner = new QVBoxLayout(frame_);
    inner->addWidget(traffic_);
    auto* actions = new QHBoxLayout;
    actions->addWidget(decoded_);
    actions->addStretch();
    actions->addWidget(save_);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(Twips(360), Twips(240), Twips(360), Twips(120));
    outer->addWidget(frame_, 1);
    outer->addLayout(actions);
    refresh();
}

QString DiagnosticWindow::shownText() const {
    // The entries end in CR LF; the box shows each entry on its own line.
    QString text = QString::fromLatin1(log_.text().data(), static_cast<int>(log_.text().size()));
    text.remove('\r');
    if (!decoded_->isChecked()) return text;
    QStringList lines;
    for (const QString& line : text.split('\n')) {
        lines << line;
        const std::string meaning = DecodeLogEntry(line.toStdString());
        if (!meaning.empty()) lines << "      " + QString::fromStdString(meaning);
    }
    return lines.join('\n');
}

void DiagnosticWindow::refresh() {
    const Rgb c = log_.colour();
    QPalette palette = traffic_->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, QColor(c.r, c.g, c.b));
    traffic_->setPalette(palette);
    const QString text = shownText();
    if (traffic_->toPlainText() != text) traffic_->setPlainText(text);
}

bool DiagnosticWindow::saveLog() {
    const QDateTime now = QDateTime::currentDateTime();
    const QString proposed = "kavro-traffic-" + now.toString("yyyyMMdd-hhmmss") + ".txt";
    const QString file = chooseFile_ ? chooseFile_(proposed) : QString();
    if (file.isEmpty()) return false;
    QFile out(file);
    // Support reads a saved log without the window: what made it, when, on
    // which port.
    const Version v = ProgramVersion();
    const QString header = QString("%1 %2.%3.%4, traffic log saved %5, %6")
                               .arg(kProgramCaption)
                               .arg(v.major)
                               .arg(v.minor)
                               .arg(v.revision)
                               .arg(now.toString("yyyy-MM-dd hh:mm:ss"))
                               .arg(port_ ? port_() : QString("port unknown"));
    const QByteArray bytes = (header + "\n\n" + shownText() + "\n").toUtf8();
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text) && out.write(bytes) == bytes.size() &&
        out.flush())
        return true;
    QMessageBox::warning(this, windowTitle(), "The log was not saved to " + file + ": " + out.errorString());
    return false;
}

void DiagnosticWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DiagnosticWindow::closeEvent(QCloseEvent* event) {
    log_.close();
    event->accept();
}

}  // namespace kavro
