// Code page 932 through the system's conversion tables.
#include <windows.h>

#include "platform/Codepage.h"

namespace pelmor {

namespace {

constexpr UINT kCp932 = 932;

std::wstring ToWide(UINT codePage, DWORD flags, std::string_view text, bool& ok) {
    ok = true;
    if (text.empty()) return {};
    if (text.size() > 0x7FFFFFFF) {
        ok = false;
        return {};
    }
    int len = static_cast<int>(text.size());
    int n = ::MultiByteToWideChar(codePage, flags, text.data(), len, nullptr, 0);
    if (n <= 0) {
        ok = false;
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    n = ::MultiByteToWideChar(codePage, flags, text.data(), len, wide.data(), n);
    if (n <= 0) {
        ok = false;
        return {};
    }
    wide.resize(static_cast<std::size_t>(n));
    return wide;
}

std::string FromWide(UINT codePage, DWORD flags, std::wstring_view wide, const char* defaultChar,
                     bool& ok) {
    ok = true;
    if (wide.empty()) return {};
    if (wide.size() > 0x7FFFFFFF) {
        ok = false;
        return {};
    }
    int len = static_cast<int>(wide.size());
    int n = ::WideCharToMultiByte(codePage, flags, wide.data(), len, nullptr, 0, defaultChar,
                                  nullptr);
    if (n <= 0) {
        ok = false;
        return {};
    }
    std::string out(static_cast<std::size_t>(n), '\0');
    n = ::WideCharToMultiByte(codePage, flags, wide.data(), len, out.data(), n, defaultChar,
                              nullptr);
    if (n <= 0) {
        ok = false;
        return {};
    }
    out.resize(static_cast<std::size_t>(n));
    return out;
}


}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
    bool ok = false;
    // Malformed UTF-8 becomes U+FFFD here, which code page 932 has not: '?'.
    std::wstring wide = ToWide(CP_UTF8, 0, utf8, ok);
    if (!ok) return std::string(utf8.size(), '?');
    // No best fit: a character the code page lacks becomes '?', never a
    // look-alike. Systems that do not know the flag convert without it.
    std::string out = FromWide(kCp932, WC_NO_BEST_FIT_CHARS, wide, "?", ok);
    if (!ok) out = FromWide(kCp932, 0, wide, "?", ok);
    return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    bool ok = false;
    std::wstring wide = ToWide(kCp932, MB_ERR_INVALID_CHARS, cp932, ok);
    if (!ok) {
        // Character by character, so that each invalid one becomes U+FFFD
        // (the system would put its own default character there). A lead
        // byte whose next byte cannot follow it is invalid on its own and
        // the next byte is read afresh.
        wide.clear();
        std::size_t i = 0;
        while (i < cp932.size()) {
            unsigned char c = static_cast<unsigned char>(cp932[i]);
            std::size_t n = 1;
            if (Cp932LeadByte(c)) {
                if (i + 1 < cp932.size() && Cp932TrailByte(static_cast<unsigned char>(cp932[i + 1])))
                    n = 2;
                else
                    n = 0;  // invalid alone
            }
            bool one = false;
            std::wstring part;
            if (n > 0) part = ToWide(kCp932, MB_ERR_INVALID_CHARS, cp932.substr(i, n), one);
            if (one && !part.empty()) {
                wide += part;
            } else {
                wide += L'\xFFFD';
            }
            i += n > 0 ? n : 1;
        }
    }
    std::string out = FromWide(CP_UTF8, 0, wide, nullptr, ok);
    return out;
}

bool PathLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

}  // namespace pelmor
