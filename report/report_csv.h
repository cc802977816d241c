#pragma once
// The report's summary table alone, as CSV for a spreadsheet: a switch a
// line, fields quoted as site manifests are read (platform/csv_line.h),
// CR LF line ends, times as the journal writes them (UTC).

#include <string>

#include "report/site_report.h"

namespace kavro {

std::string ReportCsv(const SiteReport& report);

}  // namespace kavro
