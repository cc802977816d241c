#pragma once
// frm_Diagnostic: the traffic log in a window of its own. It mirrors the
// log model; closing it discards the log, as the model says.

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QWidget>

#include "buslink/diagnostic_log.h"

namespace kavro {

class DiagnosticWindow : public QWidget {
    Q_OBJECT
public:
    explicit DiagnosticWindow(DiagnosticLog& log, QWidget* parent = nullptr);

    // Brings the log up to date in the box (text and colour).
    void refresh();
    QPlainTextEdit* logBox() const { return txtComWindow_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    DiagnosticLog& log_;
    QGroupBox* frame_;
    QPlainTextEdit* txtComWindow_;
};

}  // namespace kavro
