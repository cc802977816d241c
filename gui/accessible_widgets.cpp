#include "gui/accessible_widgets.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QItemSelectionModel>
#include <QTimer>
#include <QWheelEvent>

#include "gui/message_window_widget.h"

namespace kavro {
namespace {

// The list's parts as Qt has them (the opened list is its one child, its
// entries chosen there), named by role; the command is its value (what
// Windows' UI Automation reads) and its text (what AT-SPI clients such as
// Orca read). The text cannot be edited: a command is chosen, not typed.
class CommandListAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit CommandListAccessible(CommandList* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return command();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == list()->view() ? 0 : -1;
    }
    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& action) override {
        if (action != showMenuAction() && action != pressAction()) return QAccessibleWidget::doAction(action);
        list()->view()->isVisible() ? list()->hidePopup() : list()->showPopup();
    }

    // QAccessibleTextInterface: the command, read only, no selection.
    QString text(int start, int end) const override { return command().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(command().size()); }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0, *end = characterCount();
        return {};
    }

private:
    CommandList* list() const { return static_cast<CommandList*>(widget()); }
    QString command() const { return list()->currentText(); }
};

// A radio button to assistive technology, which Qt makes of an option only
// when the toolkit itself keeps the group to one ticked.
class ShowOptionAccessible : public QAccessibleWidget {
public:
    explicit ShowOptionAccessible(ShowOption* option) : QAccessibleWidget(option, QAccessible::RadioButton) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return QString(option()->text()).remove('&').trimmed();
        const int amp = option()->text().indexOf('&');
        if (t == QAccessible::Accelerator && amp >= 0 && amp + 1 < option()->text().size())
            return QStringLiteral("Alt+") + option()->text().at(amp + 1).toUpper();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = option()->isChecked();
        return s;
    }
    // Choosing an option ticks it; the model clears the others.
    QStringList actionNames() const override {
        return option()->isEnabled() ? QStringList{toggleAction()} + QAccessibleWidget::actionNames()
                                     : QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == toggleAction() && option()->isEnabled()) option()->setChecked(true);
        else QAccessibleWidget::doAction(action);
    }

private:
    ShowOption* option() const { return static_cast<ShowOption*>(widget()); }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("QComboBox"))
        if (auto* list = dynamic_cast<CommandList*>(object)) return new CommandListAccessible(list);
    if (className == QLatin1String("QRadioButton"))
        if (auto* option = dynamic_cast<ShowOption*>(object)) return new ShowOptionAccessible(option);
    if (className == QLatin1String("kavro::MessageWindowWidget"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::AlertMessage);
    return nullptr;
}

}  // namespace

CommandList::CommandList(QWidget* parent) : QComboBox(parent) {
    // Not focused by the wheel either: a turn over it scrolls the channels.
    setFocusPolicy(Qt::StrongFocus);
}

// Closed without a choice, the list goes back to the entry chosen; after
// the toolkit is done with it, since a choice made with Enter closes the
// list first and reads the entry under the cursor after.
void CommandList::hidePopup() {
    QComboBox::hidePopup();
    QTimer::singleShot(0, this, &CommandList::showChosenEntry);
}

void CommandList::showChosenEntry() {
    if (view()->isVisible()) return;
    QItemSelectionModel* selection = view()->selectionModel();
    const QModelIndex chosen = model()->index(currentIndex(), modelColumn(), rootModelIndex());
    if (chosen.isValid() && selection->isSelected(chosen) && selection->selectedIndexes().size() == 1) return;
    if (chosen.isValid()) selection->setCurrentIndex(chosen, QItemSelectionModel::ClearAndSelect);
    else selection->clear();
}

void CommandList::wheelEvent(QWheelEvent* event) {
    if (hasFocus()) QComboBox::wheelEvent(event);
    else event->ignore();  // on to the scrolling channel area
}

void InstallAccessibleWidgets() {
    static const bool installed = (QAccessible::installFactory(Factory), true);
    (void)installed;
}

}  // namespace kavro
