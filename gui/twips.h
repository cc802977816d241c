#pragma once
// Window places are designed in twips (1/1440 inch); on screen they become
// pixels at the screen's own resolution, so nothing shrinks at 144 dpi.

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace kavro {

inline int Twips(int twips) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

}  // namespace kavro
