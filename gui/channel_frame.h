#pragma once
// One channel's frame ("Switch and DC #1" ... "DC #8") with its controls,
// each bound to the screen model: three event rows (command, name, data,
// range), "Seq", the lock priority and source group row, and the
// destination row.

#include <QGroupBox>
#include <QLineEdit>

#include "gui/control_binding.h"

namespace kavro {

QGroupBox* MakeChannelFrame(ConfigScreen& screen, ControlBinding& binding, int c);

// A text box for hexadecimal digits, wide enough for its characters.
QLineEdit* HexBox(const QString& accessibleName, int characters);

}  // namespace kavro
