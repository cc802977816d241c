#pragma once
// Widgets as a screen reader meets them, where Qt's own reading falls
// short:
// - a command list is named by its role ("Channel 1, On Press command")
//   and holds the command as its value and its text (on Linux Qt would
//   name a list by its entry); its entries show which one is selected;
// - it takes the mouse wheel only once it has the focus, so that a wheel
//   turned over it while scrolling the channels scrolls on;
// - a "Show" option is a radio button, named by its caption without the
//   spaces around it ("1- 6 " is heard "1- 6"), though each option is a
//   Tab stop of its own;
// - a result window is an alert named by its text.

#include <QComboBox>
#include <QRadioButton>

namespace kavro {

class CommandList : public QComboBox {
public:
    explicit CommandList(QWidget* parent = nullptr);

    // The entry chosen, selected in the list as well, where a screen
    // reader looks for it while the list is closed (an open list is left
    // to the user moving through it).
    void showChosenEntry();
    void hidePopup() override;

protected:
    void wheelEvent(QWheelEvent* event) override;
};

// One of a group of options that the screen model keeps to one ticked.
class ShowOption : public QRadioButton {
public:
    using QRadioButton::QRadioButton;
};

// Installs the accessible interfaces of the widgets above and of the
// message windows, once for the program.
void InstallAccessibleWidgets();

}  // namespace kavro
