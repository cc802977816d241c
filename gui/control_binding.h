#pragma once
// Ties the screen model's plain controls to Qt widgets, both ways: the
// user's action goes to the model (which runs its handlers), and after any
// change the widgets show what the model holds. Only user-initiated Qt
// signals are used (activated, textEdited, clicked), so mirroring a change
// never feeds back into the model.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <functional>
#include <vector>

#include "editor/config_screen.h"

namespace kavro {

class ControlBinding {
public:
    void bind(ListBox& model, QComboBox* widget);
    void bind(TextBox& model, QLineEdit* widget);
    void bind(CheckBox& model, QCheckBox* widget);
    // A preference in a menu: a checkable item.
    void bind(CheckBox& model, QAction* item);
    void bind(Label& model, QLabel* widget);
    void bind(Control& model, QGroupBox* widget);
    // Show options: a click selects the option in the screen model.
    void bind(ConfigScreen& screen, OptionButton& model, QRadioButton* widget);

    // Brings every bound widget up to date with its control.
    void refresh() const;

private:
    std::vector<std::function<void()>> refreshers_;
};

}  // namespace kavro
