#pragma once
// A drawing of a switch's eight buttons, numbered by channel, each with
// what its press does and where that goes, so that a technician at the
// wall matches buttons at a glance. SVG, inline in an HTML report; the
// window draws the same text with Qt's SVG renderer.

#include <string>

#include "report/switch_sheet.h"

namespace kavro {

// The drawing's own size in its units; pages scale it to their width.
inline constexpr int kPictureWidth = 720;
inline constexpr int kPictureHeight = 330;

// A whole <svg> element, texts escaped.
std::string SwitchPictureSvg(const SwitchSheet& sheet);

}  // namespace kavro
