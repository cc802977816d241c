#pragma once
// existsWindow, missingWindow and resultWindow on screen: a label in a window of
// its own, not blocking the main window, and (for compare) the fields that
// differ under it.

#include <QLabel>
#include <QPlainTextEdit>
#include <QWidget>

#include "configfile/file_windows.h"

namespace kavro {

class MessageWindowWidget : public QWidget {
    Q_OBJECT
public:
    MessageWindowWidget(MessageWindow& model, QWidget* parent);
    ~MessageWindowWidget() override;
    void refresh();
    QLabel* label() const { return label_; }
    QPlainTextEdit* details() const { return details_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    MessageWindow& model_;
    QLabel* label_;
    QPlainTextEdit* details_;
};

}  // namespace kavro
