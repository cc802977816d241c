#pragma once
// Widgets as a screen reader meets them, where Qt's own reading falls
// short:
// - a command list is named by its role ("Channel 1, On Press command")
//   with the command as its value (on Linux Qt names a list by its entry);
// - it takes the mouse wheel only once it has the focus, so that a wheel
//   turned over it while scrolling the channels scrolls on;
// - a result window is an alert named by its text.

#include <QComboBox>

namespace kavro {

class CommandList : public QComboBox {
public:
    explicit CommandList(QWidget* parent = nullptr);

protected:
    void wheelEvent(QWheelEvent* event) override;
};

// Installs the accessible interfaces of the widgets above and of the
// message windows, once for the program.
void InstallAccessibleWidgets();

}  // namespace kavro
