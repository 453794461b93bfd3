// Code page 932 through iconv.
#include "platform/Codepage.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace pelmor {

namespace {

// Converts text from one encoding to another; a sequence that cannot be
// converted becomes the replacement and the conversion goes on after it.
std::string Convert(std::string_view text, const char* to, const char* from,
                    std::string_view replacement, std::size_t (*skip)(std::string_view)) {
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
    out.reserve(text.size());
    // In large pieces: each call costs far more than a few hundred bytes'
    // conversion (a 20 MB comment took seconds with a buffer of 256 bytes).
    std::vector<char> chunk(std::size_t{1} << 16);
    char* const buf = chunk.data();
    const std::size_t bufSize = chunk.size();
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    while (inLeft > 0) {
        char* o = buf;
        std::size_t oLeft = bufSize;
        std::size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, static_cast<std::size_t>(o - buf));
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL: replace one character and carry on.
            out += replacement;
            std::size_t n = skip(std::string_view(in, inLeft));
            in += n;
            inLeft -= n;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* o = buf;
    std::size_t oLeft = bufSize;
    iconv(cd, nullptr, nullptr, &o, &oLeft);
    out.append(buf, static_cast<std::size_t>(o - buf));
    iconv_close(cd);
    return out;
}

std::size_t SkipUtf8(std::string_view s) {
    std::size_t n = 1;
    while (n < s.size() && n < 4 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) ++n;
    return n;
}

// A lead byte whose next byte cannot follow it is invalid on its own: the
// next byte is read afresh (a line feed after it stays a line feed).
std::size_t SkipCp932(std::string_view s) {
    return (Cp932LeadByte(static_cast<unsigned char>(s[0])) && s.size() > 1 &&
            Cp932TrailByte(static_cast<unsigned char>(s[1])))
               ? 2
               : 1;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
    return Convert(utf8, "CP932", "UTF-8", "?", SkipUtf8);
}

std::string Cp932ToUtf8(std::string_view cp932) {
    return Convert(cp932, "UTF-8", "CP932", "\xEF\xBF\xBD", SkipCp932);
}

bool PathLeadByte(unsigned char) { return false; }

}  // namespace pelmor
