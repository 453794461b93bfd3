// The measurement log: every line is appended by WriteLog, which opens the
// file, writes one piece, commits it to disk and closes the file again, so a
// line written is a line kept even when the battery dies a second later.
#include "forms/Main.h"

namespace pelmor {

namespace {

constexpr char kLogError[] = "ﾛｸﾞﾌｧｲﾙ保存失敗。";

}  // namespace

void TfrmMain::WriteLog(std::int32_t level, std::int32_t source, std::int32_t elapsed) {
    AppendLog(SampleLine(elapsed, level, source));
}

void TfrmMain::WriteLogText(std::string_view text) { AppendLog(text); }

void TfrmMain::AppendLog(std::string_view text) {
    if (LogClosed) return;
    ILogFile& file = app_.svc.log;
    const std::string path = JoinPath(ProgramDir(), "pelmor.log");

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
    if (LogErrorShown) return;
    LogErrorShown = true;
    app_.svc.ui.MessageBox(window_.get(), kLogError, "Pelmor", MessageIcon::Stop);
    LogErrorShown = false;
}

}  // namespace pelmor
