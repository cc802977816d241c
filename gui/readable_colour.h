#pragma once
// The event names are blue (press) and brown (release), the message
// windows' verdicts red or green. On a dark palette those hues would be
// hard to read, so they keep their hue and take the lightness that gives a
// contrast of at least 4.5:1 with the background.

#include <QColor>
#include <QPalette>
#include <QProxyStyle>
#include <QString>
#include <optional>

#include "platform/colour.h"

namespace kavro {

// The contrast ratio of two colours, 1 to 21 (WCAG's relative luminance).
double ContrastRatio(const QColor& a, const QColor& b);

// The colour itself when it reads well on the background, else the same
// hue lighter (or darker) until it does.
QColor ReadableOn(Rgb colour, const QColor& background);

// The style sheet of a text in its designed colour (none: the palette's);
// on a dark application palette, in the readable one.
QString ReadableColourStyle(std::optional<Rgb> colour);

// The dark colours of --dark, for desktops whose dark theme Qt misses.
QPalette DarkPalette();

// A style that draws what the window's style draws, and on a dark palette
// rings check boxes and option buttons with a light edge: Fusion draws an
// unticked box darker than the window around it, barely to be seen. The
// edge stands out from the window by at least 3:1.
class ReadableIndicatorStyle : public QProxyStyle {
public:
    explicit ReadableIndicatorStyle(const QString& baseStyle) : QProxyStyle(baseStyle) {}
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

}  // namespace kavro
