#pragma once
// The commissioning report for other programs: the same content as the
// HTML report, through Qt's JSON classes (its form: man kavro-switch,
// JSON FORMAT).

#include <QByteArray>

#include "history/journal.h"
#include "report/site_report.h"

namespace kavro::cli {

QByteArray ReportJson(const SiteReport& report, const Journal& journal);

}  // namespace kavro::cli
