#include "gui/control_binding.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QTimer>

#include "gui/accessible_widgets.h"
#include "gui/file_text.h"
#include "gui/readable_colour.h"

namespace kavro {
namespace {

QString Q(const std::string& s) { return FromFileText(s); }
std::string S(const QString& s) { return ToFileText(s); }

void SetVisible(QWidget* widget, bool visible) {
    // Only explicitly hidden widgets matter; a widget in a hidden window
    // is not "visible" to Qt yet may be shown.
    if (widget->isHidden() == !visible) return;
    widget->setVisible(visible);
}

int ModelValue(int qtState) {
    return qtState == Qt::Checked ? 1 : qtState == Qt::PartiallyChecked ? 2 : 0;
}

Qt::CheckState WidgetState(int value) {
    return value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}

}  // namespace

// Every change of the widget's own state reaches the model through the
// "changed" signals: mouse, keyboard, a screen reader's action, a test
// robot's setter. Mirroring the model back blocks the widget's signals, so
// it never feeds back. Each change therefore runs the model's handler once.

void ControlBinding::bind(ListBox& model, QComboBox* widget) {
    // A user who picks the entry already selected still "selects" it, and
    // the handler runs (activated); a changed selection also announces
    // itself as a change just before, which must not run it twice.
    auto changedJustNow = std::make_shared<bool>(false);
    QObject::connect(widget, &QComboBox::currentIndexChanged, widget, [&model, changedJustNow, widget](int index) {
        *changedJustNow = true;
        QTimer::singleShot(0, widget, [changedJustNow] { *changedJustNow = false; });
        model.select(index);
    });
    QObject::connect(widget, &QComboBox::activated, widget, [&model, changedJustNow](int index) {
        if (*changedJustNow) {
            *changedJustNow = false;
            return;
        }
        model.select(index);
    });
    // A screen reader chooses an entry by selecting it in the list, which
    // by itself leaves the box's choice alone. (Moving through the open
    // list with the keyboard or the mouse selects the entry under the
    // cursor as well; only Enter or a click chooses it.)
    QObject::connect(widget->view()->selectionModel(), &QItemSelectionModel::selectionChanged, widget, [widget] {
        const QModelIndexList selected = widget->view()->selectionModel()->selectedIndexes();
        if (selected.size() != 1 || selected.first().row() == widget->currentIndex()) return;
        if (widget->view()->isVisible() && widget->view()->currentIndex() == selected.first()) return;
        widget->hidePopup();
        widget->setCurrentIndex(selected.first().row());
    });
    refreshers_.push_back([&model, widget] {
        QSignalBlocker block(widget);
        if (widget->count() != static_cast<int>(model.items().size())) {
            widget->clear();
            for (const auto& item : model.items()) widget->addItem(Q(item));
        }
        if (widget->currentIndex() != model.selected()) widget->setCurrentIndex(model.selected());
        if (auto* list = dynamic_cast<CommandList*>(widget)) list->showChosenEntry();
        SetVisible(widget, model.visible());
    });
}

void ControlBinding::bind(TextBox& model, QLineEdit* widget) {
    // Typing, pasting and a screen reader's editing all arrive here; what
    // the model refuses (a character too many, a letter in a hex box) goes
    // away again, and the cursor goes back to where it was before. The
    // widget has no limit of its own: a paste arrives whole, so that the
    // model can take the spaces off a value before it counts characters.
    QObject::connect(widget, &QLineEdit::textChanged, widget, [&model, widget](const QString& text) {
        const int cursor = widget->cursorPosition();
        model.typeText(S(text));
        const QString shown = Q(model.text());
        if (widget->text() != shown) {
            QSignalBlocker block(widget);
            widget->setText(shown);
            widget->setCursorPosition(std::clamp<int>(cursor - (text.size() - shown.size()), 0, shown.size()));
        }
    });
    refreshers_.push_back([&model, widget] {
        QSignalBlocker block(widget);
        if (widget->text() != Q(model.text())) widget->setText(Q(model.text()));
        SetVisible(widget, model.visible());
    });
}

void ControlBinding::bind(CheckBox& model, QCheckBox* widget) {
    widget->setText(Q(model.caption()));
    // Qt changes its own state first; the model then decides what it shows
    // (a destination box clicked off ticks itself again).
    QObject::connect(widget, &QCheckBox::stateChanged, widget,
                     [&model](int state) { model.setValue(ModelValue(state)); });
    refreshers_.push_back([&model, widget] {
        QSignalBlocker block(widget);
        const Qt::CheckState state = WidgetState(model.value());
        if (widget->isTristate() != (model.value() == 2)) widget->setTristate(model.value() == 2);
        if (widget->checkState() != state) widget->setCheckState(state);
        SetVisible(widget, model.visible());
    });
}

void ControlBinding::bind(CheckBox& model, QAction* item) {
    item->setText(Q(model.caption()));
    item->setCheckable(true);
    QObject::connect(item, &QAction::toggled, item, [&model](bool on) { model.setValue(on ? 1 : 0); });
    refreshers_.push_back([&model, item] {
        QSignalBlocker block(item);
        if (item->isChecked() != (model.value() == 1)) item->setChecked(model.value() == 1);
    });
}

void ControlBinding::bind(Label& model, QLabel* widget) {
    refreshers_.push_back([&model, widget] {
        if (widget->text() != Q(model.caption())) widget->setText(Q(model.caption()));
        const QString style = ReadableColourStyle(model.colour());
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
    // The model keeps one option ticked: a ticked one clicked again stays.
    QObject::connect(widget, &QRadioButton::toggled, widget, [&screen, &model, widget](bool on) {
        if (on && !model.value()) screen.selectShowOption(model);
        if (!on && model.value()) {
            QSignalBlocker block(widget);
            widget->setChecked(true);
        }
    });
    refreshers_.push_back([&model, widget] {
        QSignalBlocker block(widget);
        if (widget->isChecked() != model.value()) widget->setChecked(model.value());
    });
}

void ControlBinding::refresh() const {
    for (const auto& r : refreshers_) r();
}

}  // namespace kavro
