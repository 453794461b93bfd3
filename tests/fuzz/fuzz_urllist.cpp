// url.lst of any content: every entry is a token of at most 255 bytes with
// no white space (a token that starts with a zero byte is an empty text), the
// list box shows one line per entry, and a tour sends the entries in order.
#include <cstring>

#include "FuzzRig.h"
#include "forms/Main.h"

using namespace pelmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::RemoveFile("pelmor.ini");
    fuzz::WriteFile("url.lst", data, size);
    fuzz::Rig rig;
    TfrmMain form(rig.app);
    if (form.UrlCount != static_cast<std::int32_t>(form.UrlEntries.size())) std::abort();
    if (form.UrlCount != form.lstURL.Count()) std::abort();
    for (const std::string& url : form.UrlEntries) {
        if (url.size() > 255) std::abort();
        for (char c : url) {
            if (c == '\0' || std::strchr(" \t\n\r\v\f", c)) std::abort();
        }
    }
    rig.ui.Form("frmMain").Ctl("chkURL").checked = true;
    const int ticks = form.UrlCount < 8 ? form.UrlCount + 1 : 8;
    for (int i = 0; i < ticks; ++i) form.TimerURLTimer();
    if (form.UrlCount > 0 && form.UrlIndex != ticks % form.UrlCount) std::abort();
    return 0;
}
