// Log lines from any numbers and headers from any comment: a sample line
// is one line of the fixed layout, and a header never passes 127 bytes nor
// ends inside a double-byte character.
#include <cstring>

#include "FuzzRig.h"
#include "forms/Comment.h"
#include "forms/Main.h"
#include "platform/Codepage.h"

using namespace pelmor;

namespace {

std::int32_t Take(const std::uint8_t*& data, std::size_t& size) {
    std::int32_t v = 0;
    std::size_t n = size < 4 ? size : 4;
    std::memcpy(&v, data, n);
    data += n;
    size -= n;
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::RemoveFile("pelmor.ini");
    fuzz::RemoveFile("url.lst");
    fuzz::RemoveFile("pelmor.log");
    fuzz::Rig rig;
    TfrmMain form(rig.app);
    rig.clock.now = Take(data, size);
    const std::int32_t level = Take(data, size) & 0x7FFFFFFF;
    const std::int32_t source = Take(data, size);
    const std::int32_t elapsed = Take(data, size);
    form.WriteLog(level, source, elapsed);

    const std::string comment(reinterpret_cast<const char*>(data), size);
    rig.ui.onModal["frmComment"] = [&](fake::Window& d) {
        d.Ctl("edtComment").text = comment;
        d.Click("btnOK");
    };
    form.mnuStartClick();

    std::FILE* f = std::fopen((fuzz::Folder() + "/pelmor.log").c_str(), "rb");
    if (!f) std::abort();
    std::string log;
    char buf[512];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) log.append(buf, n);
    std::fclose(f);

    // The sample line: three fields, CR LF, nothing else.
    std::size_t eol = log.find("\r\n");
    if (eol == std::string::npos || eol < 16) std::abort();
    char expect[128];
    std::snprintf(expect, sizeof expect, "%7d, %3d, %2d", static_cast<int>(elapsed),
                  static_cast<int>(level), static_cast<int>(source));
    if (log.compare(0, eol, expect) != 0) std::abort();

    // The header: CR LF, "' " date, "' " comment, CR LF; each LF gained a CR.
    std::string header = log.substr(eol + 2);
    std::string raw;
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (header[i] == '\r' && i + 1 < header.size() && header[i + 1] == '\n') continue;
        raw += header[i];
    }
    if (raw.size() > 127) std::abort();
    if (raw.compare(0, 3, "\n' ") != 0 || raw.back() != '\n') std::abort();
    std::size_t second = raw.find("\n' ", 1);
    if (second == std::string::npos) std::abort();
    std::string body = raw.substr(second + 3, raw.size() - second - 4);
    if (Cp932Prefix(body, body.size()) != body.size()) std::abort();
    std::string full = Utf8ToCp932(comment);
    if (full.compare(0, body.size(), body) != 0) std::abort();
    return 0;
}
