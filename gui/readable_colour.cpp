#include "gui/readable_colour.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QStyleOption>
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

QPalette DarkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(45, 45, 48));
    p.setColor(QPalette::WindowText, QColor(230, 230, 230));
    p.setColor(QPalette::Base, QColor(30, 30, 32));
    p.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
    p.setColor(QPalette::Text, QColor(230, 230, 230));
    p.setColor(QPalette::Button, QColor(60, 60, 64));
    p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(60, 60, 64));
    p.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(130, 130, 130));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(130, 130, 130));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(130, 130, 130));
    return p;
}

void ReadableIndicatorStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                           const QWidget* widget) const {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    const bool radio = element == PE_IndicatorRadioButton;
    if (!radio && element != PE_IndicatorCheckBox) return;
    const QColor window = option->palette.color(QPalette::Window);
    if (window.lightnessF() >= 0.5) return;
    // A grey the window's dark shows at 4.5:1; disabled boxes stay dim.
    const QColor edge = ReadableOn({150, 150, 150}, window);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(QPen(option->state & State_Enabled ? edge : edge.darker(150), 1.0));
    painter->setBrush(Qt::NoBrush);
    const QRectF ring = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    radio ? painter->drawEllipse(ring) : painter->drawRoundedRect(ring, 1.5, 1.5);
    painter->restore();
}

}  // namespace kavro
