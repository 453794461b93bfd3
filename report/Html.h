// The report as one self-contained HTML page: the summary table, a chart of
// each measurement and one chart with all of them. No scripts, no fonts or
// pictures to fetch: it reads the same offline.
#pragma once

#include <string>
#include <string_view>

#include "report/Log.h"

namespace pelmor::report {

// fileName is shown in the title; it is UTF-8 or plain ASCII.
std::string HtmlReport(const Log& log, std::string_view fileName);

}  // namespace pelmor::report
