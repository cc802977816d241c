#include "gui/readable_colour.h"

#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace kavro {
namespace {

double Luminance(const QColor& c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(Rgb colour, const QColor& background) {
    QColor c(colour.r, colour.g, colour.b);
    const bool lighten = Luminance(background) < 0.5;
    for (int step = 0; step < 100 && ContrastRatio(c, background) < 4.5; ++step) {
        const int lightness = std::clamp(c.lightness() + (lighten ? 6 : -6), 0, 255);
        c = QColor::fromHsl(c.hslHue(), c.hslSaturation(), lightness);
    }
    return c;
}

QString ReadableColourStyle(std::optional<Rgb> colour) {
    if (!colour) return {};
    // On a light palette the designed colour stands, as it always did.
    const QColor background = QGuiApplication::palette().color(QPalette::Window);
    const QColor shown = background.lightnessF() < 0.5 ? ReadableOn(*colour, background)
                                                       : QColor(colour->r, colour->g, colour->b);
    return QString("color: %1").arg(shown.name());
}

}  // namespace kavro
