#include "report/report_csv.h"

#include "platform/csv_line.h"
#include "platform/utf8_text.h"
#include "report/report_html.h"

namespace kavro {

std::string ReportCsv(const SiteReport& report) {
    std::string csv = "label,address,bus,firmware,last read,last verified write,state,differences,planned file\r\n";
    for (const SwitchReport& s : report.switches) {
        const JournalEntry* bus = s.shown ? &*s.shown : s.lastRead ? &*s.lastRead : nullptr;
        std::string fields;
        for (const HeldDifference& d : s.differences) fields += (fields.empty() ? "" : "; ") + DifferenceField(d);
        const std::string cells[] = {s.planned.label,
                                     s.planned.address,
                                     bus ? BusText(bus->bus) : "",
                                     s.shown ? s.shown->firmware : "",
                                     s.lastRead ? s.lastRead->time : "",
                                     s.lastVerifiedWrite ? s.lastVerifiedWrite->time : "",
                                     s.stateText(),
                                     s.state == HandoverState::DiffersFromPlan ? fields : "",
                                     s.planned.fileName};
        for (std::size_t i = 0; i < std::size(cells); ++i) csv += (i ? "," : "") + CsvField(ValidUtf8(cells[i]));
        csv += "\r\n";
    }
    return csv;
}

}  // namespace kavro
