// Log lines from any numbers and headers from any comment: a sample line
// is one line of the fixed layout, and a header never passes 127 bytes nor
// ends inside a double-byte character.
#include <cstring>

#include "FuzzRig.h"
#include "forms/Comment.h"
#include "platform/Codepage.h"

using namespace pelmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::int32_t v[4] = {};
    const std::size_t n = size < sizeof v ? size : sizeof v;
    std::memcpy(v, data, n);
    const std::string comment(reinterpret_cast<const char*>(data + n), size - n);
    fuzz::RemoveFile("pelmor.ini");
    fuzz::RemoveFile("url.lst");
    fuzz::RemoveFile("pelmor.log");
    fuzz::Rig rig;
    TfrmMain form(rig.app);
    rig.clock.now = v[0];
    const std::int32_t level = v[1] & 0x7FFFFFFF;
    form.WriteLog(level, v[2], v[3]);
    rig.ui.onModal["frmComment"] = [&](fake::Window& d) {
        d.Ctl("edtComment").text = comment;
        d.Click("btnOK");
    };
    form.mnuStartClick();
    std::string log = rig.Read("pelmor.log"), header;
    char line[64];
    std::snprintf(line, sizeof line, "%7d, %3d, %2d\r\n", static_cast<int>(v[3]),
                  static_cast<int>(level), static_cast<int>(v[2]));
    if (log.compare(0, std::strlen(line), line) != 0) std::abort();
    // The header, each CR LF back to LF: "\n' " date "' " comment "\n".
    for (std::size_t i = std::strlen(line); i < log.size(); ++i)
        if (log[i] != '\r' || i + 1 >= log.size() || log[i + 1] != '\n') header += log[i];
    const std::size_t body = header.find("\n' ", 1) + 3;
    if (header.size() > 127 || header.compare(0, 3, "\n' ") != 0 || body < 3) std::abort();
    const std::string kept = header.substr(body, header.size() - body - 1);
    if (Cp932Prefix(kept, kept.size()) != kept.size()) std::abort();
    if (Utf8ToCp932(comment).compare(0, kept.size(), kept) != 0) std::abort();
    return 0;
}
