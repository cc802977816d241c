#include "report/switch_picture.h"

#include <sstream>

#include "report/markup.h"

namespace kavro {
namespace {

// The plate in the middle, buttons 1 to 4 down its left column and 5 to 8
// down its right, each described on its own side:
//
//   DOWN limit 10          +---------------+      STOP
//   to Specific A1B2C0 ----| [ 1 ]  [ 5 ] |---- to Group 000000
//                          |  ...    ...   |
constexpr int kPlateLeft = 290, kPlateTop = 8, kPlateWidth = 140, kPlateHeight = 314;
constexpr int kButtonWidth = 54, kButtonHeight = 64, kRowStep = 76, kFirstRowTop = 20;
constexpr int kLeftButton = 300, kRightButton = 366;
constexpr int kLeftText = 276, kRightText = 444;

std::string PressCommand(const SheetEvent& press) {
    return press.data.empty() ? press.command : press.command + " " + press.data;
}

std::string PressDestination(const SheetEvent& press) {
    return "to " + press.destination + (press.address.empty() ? "" : " " + press.address);
}

}  // namespace

std::string SwitchPictureSvg(const SwitchSheet& sheet) {
    std::ostringstream svg;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"picture\" viewBox=\"0 0 " << kPictureWidth << ' '
        << kPictureHeight << "\" width=\"" << kPictureWidth << "\" height=\"" << kPictureHeight
        << "\" font-family=\"DejaVu Sans, Arial, sans-serif\" role=\"img\">\n"
        << "<title>" << MarkupText(sheet.title) << ": the eight buttons, each with its press command and destination"
        << "</title>\n"
        << "<rect x=\"" << kPlateLeft << "\" y=\"" << kPlateTop << "\" width=\"" << kPlateWidth << "\" height=\""
        << kPlateHeight << "\" rx=\"14\" fill=\"#f2f2f2\" stroke=\"#333333\" stroke-width=\"2\"/>\n";
    for (const SheetChannel& channel : sheet.channels) {
        const int c = channel.number - 1;
        const bool left = c < 4;
        const int x = left ? kLeftButton : kRightButton, y = kFirstRowTop + kRowStep * (c % 4);
        const int middle = y + kButtonHeight / 2;
        const SheetEvent& press = channel.events[0];
        svg << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << kButtonWidth << "\" height=\"" << kButtonHeight
            << "\" rx=\"6\" fill=\"#ffffff\" stroke=\"#333333\" stroke-width=\"2\"/>\n"
            << "<text x=\"" << x + kButtonWidth / 2 << "\" y=\"" << middle + 10 << "\" font-size=\"28\" font-weight=\"bold\""
            << " text-anchor=\"middle\" fill=\"#000000\">" << channel.number << "</text>\n"
            << "<line x1=\"" << (left ? kLeftText + 4 : kRightText - 4) << "\" y1=\"" << middle << "\" x2=\""
            << (left ? x : x + kButtonWidth) << "\" y2=\"" << middle << "\" stroke=\"#777777\" stroke-width=\"1\"/>\n";
        const int textX = left ? kLeftText : kRightText;
        const char* anchor = left ? "end" : "start";
        svg << "<text x=\"" << textX << "\" y=\"" << middle - 6 << "\" font-size=\"15\" font-weight=\"bold\" text-anchor=\""
            << anchor << "\" fill=\"#000000\">" << MarkupText(PressCommand(press)) << "</text>\n"
            << "<text x=\"" << textX << "\" y=\"" << middle + 14 << "\" font-size=\"14\" text-anchor=\"" << anchor
            << "\" fill=\"#000000\">" << MarkupText(PressDestination(press)) << "</text>\n";
        if (channel.seq)
            svg << "<text x=\"" << textX << "\" y=\"" << middle + 31 << "\" font-size=\"12\" text-anchor=\"" << anchor
                << "\" fill=\"#444444\">" << MarkupText(press.name) << "</text>\n";
    }
    svg << "</svg>\n";
    return svg.str();
}

}  // namespace kavro
