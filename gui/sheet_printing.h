#pragma once
// The screen's sheet on paper: the same HTML and drawing as a site's
// commissioning report (report/), laid out by Qt's rich text. Qt's rich
// text draws no SVG, so the drawing is rendered from the report's SVG text
// into an image the document is given under the picture's reference.

#include <QByteArray>
#include <QPagedPaintDevice>
#include <QTextDocument>
#include <memory>

#include "report/switch_sheet.h"

namespace kavro {

std::unique_ptr<QTextDocument> SheetDocument(const SwitchSheet& sheet);

// The sheet on a printer or a PDF writer, page size and margins as set.
void PrintSheet(const SwitchSheet& sheet, QPagedPaintDevice& device);

// The sheet as a PDF document: A4, or Letter where the locale measures
// in inches.
QByteArray SheetPdf(const SwitchSheet& sheet, const QString& creator);

}  // namespace kavro
