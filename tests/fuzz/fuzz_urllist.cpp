// url.lst of any content: every entry is a token of at most 255 bytes with
// no white space (a token that starts with a zero byte is an empty text), the
// list box shows one line per entry, and a tour sends the entries in order.
#include <cstring>

#include "FuzzRig.h"

using namespace pelmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fake::Rig rig(fuzz::Put("url.lst", data, size));
    Settings settings(rig.profile, rig.dir);
    fake::Control box, list;
    WebTour tour(rig.loads, settings, box, list);
    tour.LoadUrlList(rig.dir);
    if (tour.UrlCount() != static_cast<std::int32_t>(tour.UrlEntries().size())) std::abort();
    if (tour.UrlCount() != static_cast<std::int32_t>(list.items.size())) std::abort();
    for (const std::string& url : tour.UrlEntries()) {
        if (url.size() > 255) std::abort();
        for (char c : url) {
            if (c == '\0' || std::strchr(" \t\n\r\v\f", c)) std::abort();
        }
    }
    box.checked = true;
    const int ticks = tour.UrlCount() < 8 ? tour.UrlCount() + 1 : 8;
    for (int i = 0; i < ticks; ++i) tour.Tick();
    if (tour.UrlCount() > 0 && tour.UrlIndex() != ticks % tour.UrlCount()) std::abort();
    return 0;
}
