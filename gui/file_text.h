#pragma once
// Texts from configuration files are single bytes of the Windows code
// page 1252 (the "€" of 0x80 included); the window shows them as such, the
// same characters the command-line tool prints, and gives back to the
// screen what the user typed in that code page.

#include <QString>
#include <string>

#include "configfile/windows1252.h"

namespace kavro {

inline QString FromFileText(const std::string& text) {
    return QString::fromStdString(Utf8FromWindows1252(text));
}

inline std::string ToFileText(const QString& text) {
    return Windows1252FromUtf8(text.toStdString());
}

}  // namespace kavro
