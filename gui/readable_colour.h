#pragma once
// The event names are blue (press) and brown (release). On a dark palette
// those hues would be hard to read, so they keep their hue and take the
// lightness that gives a contrast of at least 4.5:1 with the background.

#include <QColor>

#include "platform/colour.h"

namespace kavro {

// The contrast ratio of two colours, 1 to 21 (WCAG's relative luminance).
double ContrastRatio(const QColor& a, const QColor& b);

// The colour itself when it reads well on the background, else the same
// hue lighter (or darker) until it does.
QColor ReadableOn(Rgb colour, const QColor& background);

}  // namespace kavro
