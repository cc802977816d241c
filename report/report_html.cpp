#include "report/report_html.h"

#include <sstream>

#include "history/history_time.h"
#include "report/markup.h"
#include "report/switch_picture.h"

namespace kavro {
namespace {

// Both Chromium and Qt's rich text read this: tables for the layout, and
// the page breaks in both spellings (break-before for browsers,
// page-break-before for Qt). 9 points keeps a sheet of eight channels with
// its drawing on one page of A4 or Letter.
constexpr const char* kStyle = R"(@page { margin: 12mm 12mm 14mm 12mm; }
body { font-family: "DejaVu Sans", Arial, Helvetica, sans-serif; font-size: 9pt; color: #000000; background: #ffffff; margin: 0; }
h1 { font-size: 16pt; margin: 0 0 3mm 0; }
h2 { font-size: 14pt; margin: 0 0 2mm 0; }
h3 { font-size: 10pt; margin: 2mm 0 1mm 0; break-after: avoid; page-break-after: avoid; }
table { border-collapse: collapse; width: 100%; margin: 0 0 2mm 0; }
th, td { border: 1px solid #888888; padding: 1px 4px; text-align: left; vertical-align: top; }
th { background-color: #e6e6e6; font-weight: bold; }
td.channel { font-weight: bold; text-align: center; }
tr.first td { border-top: 2px solid #333333; }
.state { font-weight: bold; }
.fields { font-size: 8pt; font-weight: normal; }
.note { font-style: italic; }
.sheet { break-before: page; page-break-before: always; }
svg.picture { width: 100%; height: auto; max-height: 64mm; }
p, ul { margin: 1mm 0; }
tr { break-inside: avoid; page-break-inside: avoid; }
@media screen { body { margin: 8mm auto; max-width: 190mm; } }
)";

constexpr std::size_t kFieldsInSummary = 4;

std::string Text(const std::string& text) { return MarkupText(text); }

std::string Cell(const std::string& text, const char* tag = "td", const std::string& attributes = "") {
    return "<" + std::string(tag) + attributes + ">" + Text(text) + "</" + tag + ">";
}

std::string Head(const std::string& title) {
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + Text(title) +
           "</title>\n<style>\n" + kStyle + "</style>\n</head>\n<body>\n";
}

// The sheet's facts two to a row.
void Facts(std::ostringstream& out, const SwitchSheet& sheet) {
    out << "<table class=\"facts\" width=\"100%\" cellspacing=\"0\" cellpadding=\"2\">\n";
    for (std::size_t i = 0; i < sheet.facts.size(); i += 2) {
        out << "<tr>" << Cell(sheet.facts[i].first, "th", " width=\"17%\"") << Cell(sheet.facts[i].second, "td", " width=\"33%\"");
        if (i + 1 < sheet.facts.size())
            out << Cell(sheet.facts[i + 1].first, "th", " width=\"17%\"") << Cell(sheet.facts[i + 1].second, "td", " width=\"33%\"");
        else out << "<th></th><td></td>";
        out << "</tr>\n";
    }
    out << "</table>\n";
}

void Channels(std::ostringstream& out, const SwitchSheet& sheet) {
    out << "<table class=\"channels\" width=\"100%\" cellspacing=\"0\" cellpadding=\"2\">\n<tr>"
           "<th width=\"9%\">Channel</th><th width=\"14%\">Event</th><th width=\"24%\">Command</th>"
           "<th width=\"8%\">Data</th><th width=\"13%\">Lock priority</th><th width=\"32%\">Destination</th></tr>\n";
    for (const SheetChannel& channel : sheet.channels) {
        const bool one = channel.oneDestination();
        for (int e = 0; e < 3; ++e) {
            const SheetEvent& event = channel.events[e];
            out << "<tr" << (e == 0 ? " class=\"first\"" : "") << ">";
            if (e == 0) out << "<td class=\"channel\" rowspan=\"3\">" << channel.number << "</td>";
            out << Cell(event.name) << Cell(event.command) << Cell(event.data) << Cell(event.lockPriority);
            const std::string destination = event.destination + (event.address.empty() ? "" : " " + event.address);
            if (!one) out << Cell(destination);
            else if (e == 0) out << Cell(destination, "td", " rowspan=\"3\"");
            out << "</tr>\n";
        }
    }
    out << "</table>\n";
}

void Sheet(std::ostringstream& out, const SwitchSheet& sheet, int number, PictureForm form, bool newPage) {
    out << "<div class=\"" << (newPage ? "sheet" : "first-sheet") << "\" id=\"sheet-" << number << "\">\n<h2>"
        << Text(sheet.title) << "</h2>\n";
    Facts(out, sheet);
    for (const std::string& note : sheet.notes) out << "<p class=\"note\">" << Text(note) << "</p>\n";
    if (sheet.holdsConfiguration) {
        if (form == PictureForm::InlineSvg) out << SwitchPictureSvg(sheet);
        else
            out << "<p><img src=\"" << PictureReference(number) << "\" width=\"" << kPictureWidth * 9 / 10
                << "\" height=\"" << kPictureHeight * 9 / 10 << "\" alt=\"" << Text(sheet.title) << ": the buttons\"></p>\n";
        Channels(out, sheet);
    }
    if (sheet.comparedWithPlan) {
        out << "<h3>Differences from the planned file</h3>\n";
        if (sheet.differences.empty()) out << "<p>None: the switch holds its planned file.</p>\n";
        else {
            out << "<ul>\n";
            for (const std::string& d : sheet.differences) out << "<li>" << Text(d) << "</li>\n";
            out << "</ul>\n";
        }
    }
    out << "</div>\n";
}

std::string Count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string PictureReference(int sheet) { return "kavro-picture:" + std::to_string(sheet); }

std::string DifferenceField(const HeldDifference& d) {
    return (d.channel ? "channel " + std::to_string(d.channel) + ", " : std::string()) + d.field;
}

std::string ReportHtml(const SiteReport& report, PictureForm form) {
    std::ostringstream out;
    const std::string site = report.site.empty() ? "the switches named" : report.site;
    out << Head("Commissioning report: " + site) << "<h1>Commissioning report</h1>\n"
        << "<table class=\"facts\" width=\"100%\" cellspacing=\"0\" cellpadding=\"2\">\n<tr>" << Cell("Site", "th")
        << Cell(site) << Cell("Made", "th") << Cell(LocalTimeText(report.time)) << Cell("Tool", "th")
        << Cell("kavro-switch " + report.toolVersion) << "</tr>\n</table>\n";
    std::size_t counts[6] = {};
    for (const SwitchReport& s : report.switches) ++counts[static_cast<int>(s.state)];
    std::string tally;
    for (int state = 0; state < 6; ++state)
        if (counts[state]) tally += (tally.empty() ? "" : ", ") + std::to_string(counts[state]) + " " +
                                    StateName(static_cast<HandoverState>(state));
    out << "<p>" << Count(report.switches.size(), "switch", "switches") << (tally.empty() ? "" : ": " + tally)
        << ". Each switch's sheet follows on a page of its own.</p>\n"
        << "<table class=\"summary\" width=\"100%\" cellspacing=\"0\" cellpadding=\"2\">\n<tr><th width=\"20%\">Label</th>"
           "<th width=\"9%\">Address</th><th width=\"13%\">Bus</th><th width=\"8%\">Firmware</th><th width=\"16%\">Last read"
           "</th><th width=\"16%\">Last verified write</th><th width=\"18%\">State</th></tr>\n";
    for (const SwitchReport& s : report.switches) {
        const JournalEntry* bus = s.shown ? &*s.shown : s.lastRead ? &*s.lastRead : nullptr;
        out << "<tr>" << Cell(s.planned.label) << Cell(s.planned.address) << Cell(bus ? BusText(bus->bus) : "")
            << Cell(s.shown ? s.shown->firmware : "") << Cell(s.lastRead ? LocalTimeText(s.lastRead->time) : "never")
            << Cell(s.lastVerifiedWrite ? LocalTimeText(s.lastVerifiedWrite->time) : "none")
            << "<td class=\"state\">" << Text(s.stateText());
        if (s.state == HandoverState::DiffersFromPlan) {
            // A few fields name the change; the sheet lists them all.
            std::string fields;
            for (std::size_t i = 0; i < s.differences.size() && i < kFieldsInSummary; ++i)
                fields += (i ? "; " : "") + DifferenceField(s.differences[i]);
            if (s.differences.size() > kFieldsInSummary)
                fields += "; and " + std::to_string(s.differences.size() - kFieldsInSummary) + " more";
            out << "<br><span class=\"fields\">" << Text(fields) << "</span>";
        }
        out << "</td></tr>\n";
    }
    out << "</table>\n";
    int number = 0;
    for (const SwitchReport& s : report.switches) Sheet(out, SheetOf(s), ++number, form, true);
    out << "</body>\n</html>\n";
    return out.str();
}

std::string SheetPageHtml(const SwitchSheet& sheet, PictureForm form) {
    std::ostringstream out;
    out << Head(sheet.title);
    Sheet(out, sheet, 1, form, false);
    out << "</body>\n</html>\n";
    return out.str();
}

}  // namespace kavro
