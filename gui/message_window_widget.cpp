#include "gui/message_window_widget.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "editor/legacy_names.h"
#include "gui/file_text.h"
#include "gui/readable_colour.h"
#include "gui/twips.h"

namespace kavro {

MessageWindowWidget::MessageWindowWidget(MessageWindow& model, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model) {
    setObjectName(QString::fromStdString(model_.name()));
    // Keys reach the window itself (Enter and Escape close it) when the
    // list of differences is not there to take the focus.
    setFocusPolicy(Qt::StrongFocus);
    label_ = new QLabel(this);
    label_->setObjectName(legacy::kMessageText);
    QFont font("MS Sans Serif");
    font.setPointSizeF(13.5);
    label_->setFont(font);
    label_->setWordWrap(true);
    details_ = new QPlainTextEdit(this);
    details_->setReadOnly(true);
    details_->setAccessibleName("Fields that differ");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(details_, 1);
    resize(Twips(model_.designTwips().first), Twips(model_.designTwips().second));
    model_.setObserver([this] { refresh(); });
    refresh();
}

MessageWindowWidget::~MessageWindowWidget() {
    model_.setObserver({});
}

void MessageWindowWidget::refresh() {
    // An empty title would have the system show the program's name instead;
    // a zero-width space shows as the empty title it is.
    const QString title = QString::fromStdString(model_.title());
    setWindowTitle(title.isEmpty() ? QString(QChar(0x200B)) : title);
    label_->setText(QString::fromStdString(model_.text()));
    // A screen reader announces the window (an alert) by its text.
    setAccessibleName(label_->text());
    label_->setStyleSheet(ReadableColourStyle(model_.colour()));
    QStringList lines;
    for (const auto& d : model_.details()) lines << FromFileText(d);
    details_->setPlainText(lines.join('\n'));
    details_->setVisible(!lines.isEmpty());
    // Room for the list when there is one; the designed size otherwise.
    if (!lines.isEmpty()) resize(std::max(width(), Twips(9000)), std::max(height(), Twips(4000)));
    else resize(Twips(model_.designTwips().first), Twips(model_.designTwips().second));
}

// A message window has nothing to decide: Escape and Enter close it.
void MessageWindowWidget::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MessageWindowWidget::closeEvent(QCloseEvent* event) {
    model_.setVisible(false);
    event->accept();
}

}  // namespace kavro
