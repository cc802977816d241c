#pragma once
// The diagnostic window: the traffic log in a window of its own. It mirrors the
// log model; closing it discards the log, as the model says. For support,
// the log can be shown decoded (what each frame means under it) and saved
// to a text file.

#include <QCheckBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "buslink/diagnostic_log.h"

namespace kavro {

class DiagnosticWindow : public QWidget {
    Q_OBJECT
public:
    // chooseFile: asks where to save the log (empty: cancelled); port: the
    // port in use, in plain words, for the saved log's header line.
    DiagnosticWindow(DiagnosticLog& log, std::function<QString(const QString& proposed)> chooseFile,
                     std::function<QString()> port, QWidget* parent = nullptr);

    // Brings the log up to date in the box (text and colour).
    void refresh();
    QPlainTextEdit* logBox() const { return traffic_; }
    // The log as the box shows it, decoded or not.
    QString shownText() const;
    // Saves the shown log under a header line (program and version, date
    // and time, the port); false (and the user told) when it could not be.
    bool saveLog();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    DiagnosticLog& log_;
    std::function<QString(const QString&)> chooseFile_;
    std::function<QString()> port_;
    QGroupBox* frame_;
    QPlainTextEdit* traffic_;
    QCheckBox* decoded_;
    QPushButton* save_;
};

}  // namespace kavro
