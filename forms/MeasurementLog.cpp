#include "forms/MeasurementLog.h"

#include "forms/LogFormat.h"

namespace pelmor {

namespace {

constexpr char kLogError[] = "ﾛｸﾞﾌｧｲﾙ保存失敗。";

}  // namespace

MeasurementLog::MeasurementLog(TApplication& app, IWindow* owner) : app_(app), owner_(owner) {}

void MeasurementLog::WriteLog(std::int32_t level, std::int32_t source, std::int32_t elapsed) {
    Append(SampleLine(elapsed, level, source));
}

void MeasurementLog::WriteLogText(std::string_view text) { Append(text); }

void MeasurementLog::WriteEndLine() {
    Append(EndLine());
    closed_ = true;
}

void MeasurementLog::Append(std::string_view text) {
    if (closed_) return;
    ILogFile& file = app_.svc.log;
    const std::string path = JoinPath(app_.DataDir(), "pelmor.log");

    bool ok = false;
    ILogFile::OpenResult opened = file.OpenAppend(path);
    if (opened == ILogFile::OpenResult::Ok ||
        (opened == ILogFile::OpenResult::Missing && file.Create(path))) {
        const std::string bytes = LogBytes(text);
        ok = true;
        if (!bytes.empty()) {
            ok = file.Write(bytes.data(), bytes.size());
            ok = file.Commit() && ok;
        }
        file.Close();
    }
    if (ok) return;

    // One box at a time: ticks that come while it is open (its modal loop
    // keeps the timers running) write what they can and stay silent.
    if (errorShown_) return;
    errorShown_ = true;
    app_.svc.ui.MessageBox(owner_, kLogError, "Pelmor", MessageIcon::Stop);
    errorShown_ = false;
}

}  // namespace pelmor
