// The report as one self-contained HTML page: the summary table, a chart of
// each measurement and one chart with all of them. No scripts, no fonts or
// pictures to fetch: it reads the same offline.
#pragma once

#include <string>
#include <string_view>

#include "report/Summary.h"

namespace pelmor::report {

// One page for all the logs: one table, the charts of each measurement, and
// one chart with all of them. The names are shown; UTF-8 or plain ASCII.
std::string HtmlReport(const std::vector<LogFile>& logs);

}  // namespace pelmor::report
