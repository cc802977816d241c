#include "gui/control_binding.h"

namespace kavro {
namespace {

QString Q(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<int>(s.size())); }
std::string S(const QString& s) { return s.toLatin1().toStdString(); }

void SetVisible(QWidget* widget, bool visible) {
    // Only explicitly hidden widgets matter; a widget in a hidden window
    // is not "visible" to Qt yet may be shown.
    if (widget->isHidden() == !visible) return;
    widget->setVisible(visible);
}

}  // namespace

void SetAccessibleNames(QWidget* widget, const QString& name) {
    widget->setAccessibleName(name);
    widget->setAccessibleDescription(name);
}

void ControlBinding::bind(ListBox& model, QComboBox* widget) {
    QObject::connect(widget, &QComboBox::activated, widget, [&model](int index) { model.setListIndex(index); });
    refreshers_.push_back([&model, widget] {
        if (widget->count() != static_cast<int>(model.items().size())) {
            QSignalBlocker block(widget);
            widget->clear();
            for (const auto& item : model.items()) widget->addItem(Q(item));
        }
        if (widget->currentIndex() != model.listIndex()) {
            QSignalBlocker block(widget);
            widget->setCurrentIndex(model.listIndex());
        }
        SetVisible(widget, model.visible());
    });
}

void ControlBinding::bind(TextBox& model, QLineEdit* widget) {
    QObject::connect(widget, &QLineEdit::textEdited, widget, [&model, widget](const QString& text) {
        const int cursor = widget->cursorPosition();
        model.typeText(S(text));
        // Typing past the limit is refused, as the box refuses it.
        if (widget->text() != Q(model.text())) {
            widget->setText(Q(model.text()));
            widget->setCursorPosition(std::min(cursor, static_cast<int>(model.text().size())));
        }
    });
    refreshers_.push_back([&model, widget] {
        if (widget->text() != Q(model.text())) widget->setText(Q(model.text()));
        SetVisible(widget, model.visible());
    });
}

void ControlBinding::bind(CheckBox& model, QCheckBox* widget) {
    widget->setText(Q(model.caption()));
    // Qt flips its own state first; the model then decides what it shows.
    QObject::connect(widget, &QCheckBox::clicked, widget, [&model] { model.click(); });
    refreshers_.push_back([&model, widget] {
        const Qt::CheckState state = model.value() == 1   ? Qt::Checked
                                     : model.value() == 2 ? Qt::PartiallyChecked
                                                          : Qt::Unchecked;
        if (widget->checkState() != state) {
            widget->setTristate(model.value() == 2);
            widget->setCheckState(state);
        }
        SetVisible(widget, model.visible());
    });
}

void ControlBinding::bind(Label& model, QLabel* widget) {
    refreshers_.push_back([&model, widget] {
        if (widget->text() != Q(model.caption())) widget->setText(Q(model.caption()));
        const auto colour = model.colour();
        const QString style = colour ? QString("color: rgb(%1,%2,%3)").arg(colour->r).arg(colour->g).arg(colour->b)
                                     : QString();
        if (widget->styleSheet() != style) widget->setStyleSheet(style);
        SetVisible(widget, model.visible());
    });
}

void ControlBinding::bind(Control& model, QGroupBox* widget) {
    refreshers_.push_back([&model, widget] {
        if (widget->title() != Q(model.caption())) widget->setTitle(Q(model.caption()));
        SetVisible(widget, model.visible());
    });
}

void ControlBinding::bind(ConfigScreen& screen, OptionButton& model, QRadioButton* widget) {
    widget->setText(Q(model.caption()));
    QObject::connect(widget, &QRadioButton::clicked, widget, [&screen, &model] { screen.SelectShowOption(model); });
    refreshers_.push_back([&model, widget] {
        if (widget->isChecked() != model.value()) widget->setChecked(model.value());
    });
}

void ControlBinding::refresh() const {
    for (const auto& r : refreshers_) r();
}

}  // namespace kavro
