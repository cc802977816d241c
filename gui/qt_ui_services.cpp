#include "gui/qt_ui_services.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace kavro {

void QtUiServices::messageBox(const std::string& text, const std::string& title) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok, mainWindow_);
    box.exec();
}

void QtUiServices::beep() {
    QApplication::beep();
}

void QtUiServices::setPointer(Pointer pointer) {
    const bool wanted = pointer == Pointer::Hourglass;
    if (wanted == hourglass_) return;
    hourglass_ = wanted;
    if (wanted) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}

void QtUiServices::showPortSelection(CommPortSelection& window, bool modal) {
    if (portSelection_ && !modal) {  // already open: only bring it up
        portSelection_->raise();
        portSelection_->activateWindow();
        return;
    }
    auto* dialog = new PortSelectionDialog(window, mainWindow_);
    portSelection_ = dialog;
    if (modal) {
        dialog->exec();
        delete dialog;
        return;
    }
    QObject::connect(dialog, &QDialog::finished, dialog, &QObject::deleteLater);
    dialog->show();
}

DiagnosticWindow* QtUiServices::makeDiagnostic(DiagnosticLog& log) {
    return new DiagnosticWindow(
        log,
        [this](const QString& proposed) {
            if (fileDialogOverride) {
                const CommonDialog dialog{proposed.toStdString(), QDir::homePath().toStdString(), "txt"};
                return fileDialogOverride(dialog, FileDialogMode::Save);
            }
            return QFileDialog::getSaveFileName(diagnostic_, "Save Log", QDir::home().filePath(proposed),
                                                "Text files (*.txt);;All files (*)");
        },
        [this] { return portDescription ? QString::fromStdString(portDescription()) : QString(); }, mainWindow_);
}

void QtUiServices::followDiagnostic(DiagnosticLog& log) {
    log.setObserver([this, &log] {
        if (!log.exists()) {
            if (diagnostic_) diagnostic_->deleteLater();
            return;
        }
        if (!diagnostic_) diagnostic_ = makeDiagnostic(log);
        diagnostic_->refresh();
    });
}

void QtUiServices::showDiagnostic(DiagnosticLog& log) {
    if (!diagnostic_) diagnostic_ = makeDiagnostic(log);
    diagnostic_->refresh();
    diagnostic_->show();
    diagnostic_->raise();
    diagnostic_->activateWindow();
}

bool QtUiServices::askYesNo(const std::string& text, const std::string& yes, const std::string& no, bool defaultYes) {
    QMessageBox box(QMessageBox::Question, kProgramCaption, QString::fromStdString(text), QMessageBox::NoButton,
                    mainWindow_);
    QPushButton* yesButton = box.addButton(QString::fromStdString(yes), QMessageBox::YesRole);
    QPushButton* noButton = box.addButton(QString::fromStdString(no), QMessageBox::NoRole);
    box.setDefaultButton(defaultYes ? yesButton : noButton);
    box.setEscapeButton(noButton);
    box.exec();
    return box.clickedButton() == yesButton;
}

NoPortChoice QtUiServices::askNoPort(const std::string& text, bool offerSimulator) {
    QMessageBox box(QMessageBox::Question, "Kavro Smart Switch Configuration", QString::fromStdString(text),
                    QMessageBox::NoButton, mainWindow_);
    QPushButton* choose = box.addButton("Choose a Port", QMessageBox::AcceptRole);
    QPushButton* simulate = offerSimulator ? box.addButton("Use Simulated Switch", QMessageBox::ActionRole) : nullptr;
    QPushButton* quit = box.addButton("Quit", QMessageBox::RejectRole);
    box.setDefaultButton(choose);
    box.setEscapeButton(quit);
    box.exec();
    if (box.clickedButton() == simulate && simulate) return NoPortChoice::UseSimulator;
    if (box.clickedButton() == choose) return NoPortChoice::ChooseAgain;
    return NoPortChoice::Quit;
}

}  // namespace kavro

namespace kavro {

bool QtUiServices::showFileDialog(CommonDialog& dialog, FileDialogMode mode) {
    QString chosen;
    if (fileDialogOverride) {
        chosen = fileDialogOverride(dialog, mode);
    } else {
        QFileDialog box(mainWindow_);
        box.setAcceptMode(mode == FileDialogMode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        // Any name may be typed; export and import check for themselves
        // whether it exists, and export never overwrites.
        box.setFileMode(QFileDialog::AnyFile);
        box.setOption(QFileDialog::DontConfirmOverwrite);
        box.setDirectory(QString::fromStdString(dialog.initialFolder));
        if (!dialog.fileName.empty()) box.selectFile(QString::fromStdString(dialog.fileName));
        box.setDefaultSuffix(QString::fromStdString(dialog.defaultExtension));
        QStringList filters;
        for (const std::string& filter : dialog.filters) filters << QString::fromStdString(filter);
        if (!filters.isEmpty()) box.setNameFilters(filters);
        box.setWindowTitle(mode == FileDialogMode::Save ? "Export Config" : "Open");
        if (box.exec() == QDialog::Accepted && !box.selectedFiles().isEmpty()) chosen = box.selectedFiles().first();
    }
    if (chosen.isEmpty()) return false;
    dialog.fileName = chosen.toStdString();
    return true;
}

QString QtUiServices::chooseSaveFile(const QString& title, const QString& proposed, const QString& extension) {
    if (fileDialogOverride) {
        CommonDialog dialog{proposed.toStdString(), QDir::homePath().toStdString(), extension.toStdString()};
        return fileDialogOverride(dialog, FileDialogMode::Save);
    }
    // Qt's dialog asks before it lets a file be replaced.
    QFileDialog box(mainWindow_);
    box.setAcceptMode(QFileDialog::AcceptSave);
    box.setWindowTitle(title);
    box.setDirectory(QDir::homePath());
    box.selectFile(proposed);
    box.setDefaultSuffix(extension);
    box.setNameFilters({QString("%1 files (*.%2)").arg(extension.toUpper(), extension), "All files (*)"});
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return {};
    return box.selectedFiles().first();
}

// A result window stands over the main window, owned by it, and takes the
// focus; screen readers hear it as an alert.
void QtUiServices::showMessageWindow(MessageWindow& window) {
    QPointer<MessageWindowWidget>& widget = messageWindows_[&window];
    const bool made = !widget;
    if (made) widget = new MessageWindowWidget(window, mainWindow_);
    widget->refresh();
    if (made && mainWindow_) widget->move(mainWindow_->geometry().center() - widget->rect().center());
    widget->show();
    widget->raise();
    widget->activateWindow();
    widget->setFocus(Qt::ActiveWindowFocusReason);
    QAccessibleEvent alert(widget.data(), QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

MessageWindowWidget* QtUiServices::messageWindow(const MessageWindow& window) const {
    const auto it = messageWindows_.find(&window);
    return it == messageWindows_.end() ? nullptr : it->second.data();
}

}  // namespace kavro
