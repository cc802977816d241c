#include "gui/sheet_printing.h"

#include <QBuffer>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgRenderer>
#include <QUrl>

#include "report/report_html.h"
#include "report/switch_picture.h"

namespace kavro {
namespace {

// Enough pixels for a sharp print at the width a page gives the drawing.
constexpr int kPictureScale = 3;

}  // namespace

std::unique_ptr<QTextDocument> SheetDocument(const SwitchSheet& sheet) {
    auto document = std::make_unique<QTextDocument>();
    // Without shaping Qt's PDF writer keeps "fi" two letters, not a
    // ligature that a search for "Specific" would not find.
    QFont font = document->defaultFont();
    font.setStyleStrategy(QFont::PreferNoShaping);
    document->setDefaultFont(font);
    QSvgRenderer renderer(QByteArray::fromStdString(SwitchPictureSvg(sheet)));
    QImage picture(kPictureWidth * kPictureScale, kPictureHeight * kPictureScale, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    renderer.render(&painter);
    painter.end();
    document->addResource(QTextDocument::ImageResource, QUrl(QString::fromStdString(PictureReference(1))), picture);
    document->setHtml(QString::fromStdString(SheetPageHtml(sheet, PictureForm::ImageReference)));
    return document;
}

void PrintSheet(const SwitchSheet& sheet, QPagedPaintDevice& device) {
    SheetDocument(sheet)->print(&device);
}

QByteArray SheetPdf(const SwitchSheet& sheet, const QString& creator) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(QString::fromStdString(sheet.title));
        writer.setCreator(creator);
        writer.setPageSize(QPageSize(QLocale().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                                                 : QPageSize::A4));
        // Qt's rich text keeps a margin of 2 cm round a page of its own.
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        PrintSheet(sheet, writer);
    }
    return bytes;
}

}  // namespace kavro
