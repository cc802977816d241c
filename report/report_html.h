#pragma once
// The commissioning report as one HTML file that needs nothing else: its
// style inline, its drawings inline SVG, no script and no reference to
// anything outside it. It prints on A4 and Letter alike: a site summary,
// then one sheet per switch, each on a new page.
//
// Qt's rich text, which the window prints through, knows no SVG: there the
// drawing is an image the window renders from the same SVG text and gives
// the document under PictureReference(n).

#include <string>

#include "report/site_report.h"
#include "report/switch_sheet.h"

namespace kavro {

enum class PictureForm { InlineSvg, ImageReference };

// "kavro-picture:3": the drawing of the third sheet, as an image's source.
std::string PictureReference(int sheet);

std::string ReportHtml(const SiteReport& report, PictureForm form = PictureForm::InlineSvg);

// A document of one sheet: what the window prints.
std::string SheetPageHtml(const SwitchSheet& sheet, PictureForm form);

// A difference's place, without its values: "channel 3, On Hold command".
std::string DifferenceField(const HeldDifference& difference);

}  // namespace kavro
