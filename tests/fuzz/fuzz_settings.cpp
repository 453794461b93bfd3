// pelmor.ini of any content: the settings and history load, the history
// save and a second load of what was saved.
#include <cstring>

#include "FuzzRig.h"

using namespace pelmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fake::Rig rig(fuzz::Put("pelmor.ini", data, size));
    Settings settings(rig.profile, rig.dir);
    settings.Read();
    if (std::memchr(settings.IePath, 0, sizeof settings.IePath) == nullptr) std::abort();
    fake::StatusBar status;
    status.panels.resize(3);
    BatteryHistory history(settings, rig.clock);
    history.LoadHistory(status);
    if (history.Count() < 0 || history.Count() > 179) std::abort();
    history.AppendSample(80, 0);
    if (history.Count() < 1 || history.Count() > 179) std::abort();
    fake::Image image;
    image.width = 353, image.height = 97;
    HistoryGraph(image).DrawGraph(history);
    history.SaveHistory();
    // The save ends the entries with its terminator: exactly they come back.
    BatteryHistory again(settings, rig.clock);
    again.LoadHistory(status);
    if (again.Count() != history.Count()) std::abort();
    return 0;
}
