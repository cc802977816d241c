#include "gui/accessible_widgets.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QWheelEvent>

#include "gui/message_window_widget.h"

namespace kavro {
namespace {

// The list's parts as Qt has them (the opened list is its one child, its
// entries chosen there), named by role, valued by the command.
class CommandListAccessible : public QAccessibleWidget {
public:
    explicit CommandListAccessible(CommandList* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return list()->currentText();
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

private:
    CommandList* list() const { return static_cast<CommandList*>(widget()); }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("QComboBox"))
        if (auto* list = dynamic_cast<CommandList*>(object)) return new CommandListAccessible(list);
    if (className == QLatin1String("kavro::MessageWindowWidget"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::AlertMessage);
    return nullptr;
}

}  // namespace

CommandList::CommandList(QWidget* parent) : QComboBox(parent) {
    // Not focused by the wheel either: a turn over it scrolls the channels.
    setFocusPolicy(Qt::StrongFocus);
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
