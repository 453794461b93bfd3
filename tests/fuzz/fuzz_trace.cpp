// pelmor-report's trace reader on any bytes, beside a log whose first
// measurement the trace's lines may belong to: it never fails, every line
// it keeps writes back to the same line, and the figures hold together.
#include <cstdlib>
#include <string>

#include "report/Html.h"
#include "report/Log.h"
#include "report/Summary.h"

using namespace pelmor::report;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<LogFile> logs(1);
    logs[0].name = "fuzz/pelmor.log";
    logs[0].log = ReadLog("' Mon Dec  7 09:30:05 2026\r\n' x\r\n0, 100, 1\r\n600, 99, 0\r\n1800, 80, 0\r\n");
    logs[0].trace = ReadTrace(bytes);
    const Trace& trace = *logs[0].trace;

    std::size_t lines = 0;
    for (char c : bytes) lines += c == '\n';
    if (size && bytes.back() != '\n') ++lines;
    if (trace.lines.size() + trace.skipped.size() > lines) std::abort();
    for (const pelmor::TraceLine& l : trace.lines) {
        pelmor::TraceLine again;
        std::string text = pelmor::TraceLineBytes(l);
        text.resize(text.size() - 2);
        if (!pelmor::ParseTraceLine(text, again) || pelmor::TraceLineBytes(again) != text + "\r\n")
            std::abort();
    }
    for (const Run& r : Runs(logs)) {
        const Summary& s = r.s;
        if (s.batteryLife < 0 || (s.gaps && *s.gaps < 0)) std::abort();
        if (s.exact == (r.trace.empty() || (s.flags & kClockJump))) std::abort();
        if (s.estimateHours && !(*s.estimateHours > 0)) std::abort();
        if (s.avgPowerW && !(*s.avgPowerW >= 0)) std::abort();
        if (s.energyBasis && !s.avgPowerW) std::abort();
    }
    std::size_t rows = 0;
    for (char c : SummaryCsv(logs)) rows += c == '\n';
    if (rows != logs[0].log.measurements.size() + 1) std::abort();
    if (HtmlReport(logs).find("<script") != std::string::npos) std::abort();
    SummaryTable(logs);
    return 0;
}
