// Code page 932 through the system's conversion tables; UTF-8 by hand, as
// Windows 95 has no UTF-8 conversion.
#include <windows.h>

#include "platform/Codepage.h"
#include "platform/win32/Text.h"

namespace pelmor::win32 {

std::wstring Widen(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<wchar_t>(c);
            ++i;
            continue;
        }
        // The length the lead byte announces, and the smallest code point
        // that needs it (shorter forms are malformed).
        std::size_t len = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        char32_t cp = len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
        std::size_t k = 1;
        while (len && k < len && i + k < n &&
               (static_cast<unsigned char>(utf8[i + k]) & 0xC0) == 0x80) {
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
            ++k;
        }
        const bool whole = len && k == len && !(len == 3 && cp < 0x800) &&
                           !(len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) &&
                           !(cp >= 0xD800 && cp <= 0xDFFF);
        if (!whole) {
            out += L'\xFFFD';
            i += k > 1 ? k : 1;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<wchar_t>(cp);
        }
        i += len;
    }
    return out;
}

std::string Narrow(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t cp = static_cast<char16_t>(wide[i]);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size() &&
            static_cast<char16_t>(wide[i + 1]) >= 0xDC00 && static_cast<char16_t>(wide[i + 1]) <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char16_t>(wide[i + 1]) - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;  // half a pair
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

}  // namespace pelmor::win32

namespace pelmor {

namespace {

constexpr UINT kCp932 = 932;

// Both fail (ok false, nothing converted) on text too long for the system,
// or when the system refuses it.
std::wstring ToWide(UINT codePage, DWORD flags, std::string_view text, bool& ok) {
    ok = text.size() <= 0x7FFFFFFF;
    if (text.empty() || !ok) return {};
    const int len = static_cast<int>(text.size());
    int n = ::MultiByteToWideChar(codePage, flags, text.data(), len, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) n = ::MultiByteToWideChar(codePage, flags, text.data(), len, wide.data(), n);
    ok = n > 0;
    wide.resize(ok ? static_cast<std::size_t>(n) : 0);
    return wide;
}

std::string FromWide(UINT codePage, DWORD flags, std::wstring_view wide, const char* defaultChar,
                     bool& ok) {
    ok = wide.size() <= 0x7FFFFFFF;
    if (wide.empty() || !ok) return {};
    const int len = static_cast<int>(wide.size());
    int n = ::WideCharToMultiByte(codePage, flags, wide.data(), len, nullptr, 0, defaultChar, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) n = ::WideCharToMultiByte(codePage, flags, wide.data(), len, out.data(), n, defaultChar, nullptr);
    ok = n > 0;
    out.resize(ok ? static_cast<std::size_t>(n) : 0);
    return out;
}

// Text the system refused as a whole, in halves cut between characters
// until each refused character stands alone and becomes U+FFFD (the system
// would put its own default character there). A lead byte whose next byte
// cannot follow it is invalid on its own and the next byte is read afresh.
// A few bad bytes in a long text cost some conversions of halves, not one
// call per character (which took over a second for a comment of 20 MB).
void Cp932Pieces(std::string_view text, std::wstring& wide) {
    bool ok = false;
    const std::wstring part = ToWide(kCp932, MB_ERR_INVALID_CHARS, text, ok);
    if (ok && !part.empty()) {
        wide += part;
        return;
    }
    const std::size_t first =
        Cp932LeadByte(static_cast<unsigned char>(text[0])) && text.size() > 1 &&
                Cp932TrailByte(static_cast<unsigned char>(text[1]))
            ? 2
            : 1;
    if (text.size() <= first) {
        wide += L'\xFFFD';
        return;
    }
    std::size_t half = Cp932Prefix(text, text.size() / 2);
    if (half == 0) half = first;
    Cp932Pieces(text.substr(0, half), wide);
    Cp932Pieces(text.substr(half), wide);
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
    bool ok = false;
    // Malformed UTF-8 becomes U+FFFD here, which code page 932 has not: '?'.
    std::wstring wide = win32::Widen(utf8);
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
        // In pieces of a few kilobytes, so that each bad byte costs the
        // halving of one piece only.
        wide.clear();
        for (std::size_t at = 0; at < cp932.size();) {
            std::size_t n = Cp932Prefix(cp932.substr(at), 4096);
            if (n == 0) n = cp932.size() - at;  // a lead byte at the very end
            Cp932Pieces(cp932.substr(at, n), wide);
            at += n;
        }
    }
    return win32::Narrow(wide);
}

bool PathLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

}  // namespace pelmor
