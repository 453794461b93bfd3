// pelmor-report's trace reader on any bytes, beside a log whose measurement
// its lines may belong to: it never fails and the figures hold together.
#include <cstdlib>
#include <string>

#include "report/Html.h"

using namespace pelmor::report;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<LogFile> logs(1);
    logs[0].log = ReadLog("' Mon Dec  7 09:30:05 2026\r\n' x\r\n0, 100, 1\r\n600, 99, 0\r\n1800, 80, 0\r\n");
    logs[0].trace = ReadTrace(bytes);
    for (const Run& r : Runs(logs)) {
        const Summary& s = r.s;
        if (s.batteryLife < 0 || (s.gaps && *s.gaps < 0) || (s.estimateHours && !(*s.estimateHours > 0))) std::abort();
        if (s.exact == (r.trace.empty() || (s.flags & kClockJump)) || (s.energyBasis && !s.avgPowerW)) std::abort();
    }
    if (HtmlReport(logs).find("<script") != std::string::npos) std::abort();
    SummaryCsv(logs);
    SummaryTable(logs);
    return 0;
}
