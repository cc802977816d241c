#pragma once
// The program's icon, drawn from its SVG at the sizes a desktop asks for.

#include <QIcon>

namespace kavro {

QIcon ProgramIcon();

}  // namespace kavro
