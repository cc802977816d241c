#pragma once
// A one-line label that shows as much of its text as fits, ending in "...",
// with the whole text as its tip. It lets the window shrink below the
// length of a long status line.

#include <QLabel>

namespace kavro {

class ElidingLabel : public QLabel {
public:
    explicit ElidingLabel(QWidget* parent = nullptr) : QLabel(parent) {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    void setFullText(const QString& text) {
        full_ = text;
        setToolTip(text);
        elide();
    }
    const QString& fullText() const { return full_; }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        elide();
    }

private:
    void elide() { setText(fontMetrics().elidedText(full_, Qt::ElideRight, width())); }
    QString full_;
};

}  // namespace kavro
