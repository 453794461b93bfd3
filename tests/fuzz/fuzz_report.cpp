// pelmor-report's reader on any bytes: it never fails, every sample it keeps
// is one Pelmor can write, within a measurement the time never goes back,
// and the figures and the outputs hold together.
#include <cstdlib>
#include <string>

#include "report/Html.h"
#include "report/Log.h"
#include "report/Summary.h"

using namespace pelmor::report;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<LogFile> logs(1);
    logs[0].name = "fuzz.log";
    logs[0].log = ReadLog(bytes);
    const Log& log = logs[0].log;

    std::size_t lines = 0, samples = 0, previous = 0;
    for (char c : bytes) lines += c == '\n';
    if (size && bytes.back() != '\n') ++lines;
    for (const SkippedLine& s : log.skipped) {
        if (s.line <= previous || s.line > lines) std::abort();
        previous = s.line;
    }
    for (const Measurement& m : log.measurements) {
        if (m.line < 1 || m.line > lines) std::abort();
        if (!m.started.empty() && (m.started.size() != 19 || m.started[10] != 'T')) std::abort();
        if (m.comment.find_first_of("\r\n") != std::string::npos) std::abort();
        for (std::size_t i = 0; i < m.samples.size(); ++i) {
            const Sample& x = m.samples[i];
            if (x.level < 0 || x.level > 100 || (x.source != 0 && x.source != 1)) std::abort();
            if (i && x.elapsed < m.samples[i - 1].elapsed) std::abort();
        }
        samples += m.samples.size();
        const Summary s = Summarise(m);
        if (!m.samples.empty() &&
            s.batterySeconds + s.mainsSeconds !=
                std::int64_t{m.samples.back().elapsed} - m.samples.front().elapsed)
            std::abort();
        if (s.drainPerHour && !(*s.drainPerHour >= 0)) std::abort();
        if (s.fullChargeHours && !(*s.fullChargeHours > 0)) std::abort();
    }

    auto count = [](const std::string& text) {
        std::size_t n = 0;
        for (char c : text) n += c == '\n';
        return n;
    };
    if (count(SummaryCsv(logs)) != log.measurements.size() + 1) std::abort();
    if (count(SamplesCsv(log)) != samples + 1) std::abort();
    const std::string page = HtmlReport(logs);
    if (page.find("<script") != std::string::npos) std::abort();
    SummaryTable(logs);
    return 0;
}
