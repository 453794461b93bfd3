// pelmor.ini of any content: the settings and history load, the history
// save and a second load of what was saved.
#include <cstring>

#include "FuzzRig.h"
#include "forms/Main.h"

using namespace pelmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::RemoveFile("url.lst");
    fuzz::WriteFile("pelmor.ini", data, size);
    fuzz::Rig rig;
    std::int32_t saved;
    {
        TfrmMain form(rig.app);
        if (form.Count < 0 || form.Count > 179) std::abort();
        if (std::memchr(form.settings.IePath, 0, sizeof form.settings.IePath) == nullptr) std::abort();
        form.TimerBaseTimer();  // appends a sample and draws
        if (form.Count < 1 || form.Count > 179) std::abort();
        form.SaveHistory();
        saved = form.Count;
    }
    TfrmMain again(rig.app);
    // The save ends the entries with its terminator: exactly they come back.
    if (again.Count != saved) std::abort();
    return 0;
}
