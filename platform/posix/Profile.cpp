#include "platform/posix/Profile.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/Codepage.h"

namespace pelmor::posix {

namespace {

bool Blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool LeadByte(char c) { return Cp932LeadByte(static_cast<unsigned char>(c)); }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
    return s;
}

// One pair of matching quotes around the text is removed.
std::string_view StripQuotes(std::string_view s) {
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front()) {
        return s.substr(1, s.size() - 2);
    }
    return s;
}

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Names compare without regard to the case of ASCII letters; the second byte
// of a double-byte character is compared as it is.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LeadByte(a[i]) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (Fold(a[i]) != Fold(b[i])) return false;
    }
    return true;
}

// Position of c in s, skipping the second bytes of double-byte characters.
std::size_t FindChar(std::string_view s, char c) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == c) return i;
        if (LeadByte(s[i])) ++i;
    }
    return std::string_view::npos;
}

struct Entry {
    std::string_view key;
    std::string_view value;  // trimmed, quotes still on
    bool hasValue = false;
    std::size_t valuePos = 0;  // where a replacement value starts in the text
    std::size_t contentEnd = 0;
};

struct Section {
    std::string_view name;
    bool named = false;
    std::vector<Entry> entries;
    // End of the last non-blank line (the header, or the last entry), and
    // whether a line ending follows it.
    std::size_t lastEnd = 0;
    std::size_t lastNext = 0;
    bool lastHasNewline = false;
};

// The file split into sections; the first is the nameless part before any
// header. Views point into text.
std::vector<Section> Parse(std::string_view text) {
    std::vector<Section> sections(1);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::size_t next = nl == std::string_view::npos ? text.size() : nl + 1;
        std::size_t end = nl == std::string_view::npos ? text.size() : nl;
        if (end > pos && text[end - 1] == '\r') --end;
        std::string_view line = text.substr(pos, end - pos);
        std::string_view trimmed = Trim(line);
        if (!trimmed.empty()) {
            std::size_t close = trimmed.front() == '[' ? FindChar(trimmed, ']') : std::string_view::npos;
            if (close != std::string_view::npos) {
                Section s;
                s.name = Trim(trimmed.substr(1, close - 1));
                s.named = true;
                sections.push_back(s);
            } else {
                Entry e;
                std::size_t eq = line.find('=');
                if (eq == std::string_view::npos) {
                    e.key = trimmed;
                    e.valuePos = pos + static_cast<std::size_t>(trimmed.data() - line.data()) +
                                 trimmed.size();
                } else {
                    e.key = Trim(line.substr(0, eq));
                    e.value = Trim(line.substr(eq + 1));
                    e.hasValue = true;
                    std::size_t v = eq + 1;
                    while (v < line.size() && (line[v] == ' ' || line[v] == '\t')) ++v;
                    e.valuePos = pos + v;
                }
                e.contentEnd = end;
                sections.back().entries.push_back(e);
            }
            Section& s = sections.back();
            s.lastEnd = end;
            s.lastNext = next;
            s.lastHasNewline = nl != std::string_view::npos;
        }
        pos = next;
    }
    return sections;
}

Section* FindSection(std::vector<Section>& sections, std::string_view name) {
    name = Trim(name);
    if (name.empty()) return &sections.front();
    for (Section& s : sections) {
        if (s.named && !s.name.empty() && SameName(s.name, name)) return &s;
    }
    return nullptr;
}

Entry* FindEntry(Section& section, std::string_view key) {
    key = Trim(key);
    for (Entry& e : section.entries) {
        if (SameName(e.key, key)) return &e;
    }
    return nullptr;
}

enum class ReadResult { Ok, Missing, Failed };

// What was written to the descriptor, on the disk.
bool Sync(int fd) {
#ifdef _WIN32
    return ::_commit(fd) == 0;
#else
    return ::fsync(fd) == 0;
#endif
}

ReadResult ReadFile(const std::string& path, std::string& text) {
    text.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok ? ReadResult::Ok : ReadResult::Failed;
}

// The file replaced whole: the new text goes into a file beside it, is
// synced, and is then renamed over the old one, so a kill or a power cut at
// any moment leaves the old file or the new one, never a piece of either.
// The new file keeps the old one's permissions.
bool WriteFile(const std::string& path, const std::string& text) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file(path), temp(path + ".new");
    const fs::file_status old = fs::status(file, ec);
    std::FILE* f = std::fopen(temp.string().c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = std::fflush(f) == 0 && ok && Sync(fileno(f));
    ok = std::fclose(f) == 0 && ok;
    if (ok && fs::exists(old)) fs::permissions(temp, old.permissions(), ec);
    if (ok) fs::rename(temp, file, ec);
    if (ok && !ec) return true;
    fs::remove(temp, ec);
    return false;
}

// The value of section/key: nullopt for a missing key, a key without '='
// and a file that cannot be read.
std::optional<std::string> Lookup(const std::string& section, const std::string& key,
                                  const std::string& path) {
    std::string text;
    if (ReadFile(path, text) != ReadResult::Ok) return std::nullopt;
    std::vector<Section> sections = Parse(text);
    Section* s = FindSection(sections, section);
    if (!s) return std::nullopt;
    Entry* e = FindEntry(*s, key);
    if (!e || !e->hasValue) return std::nullopt;
    return std::string(StripQuotes(e->value));
}

bool HasByte(std::string_view s, std::string_view bytes) {
    return s.find_first_of(bytes) != std::string_view::npos;
}

}  // namespace

std::string Profile::GetString(const std::string& section, const std::string& key,
                                  const std::string& def, std::size_t size,
                                  const std::string& path) {
    if (size == 0) return {};
    std::string result;
    if (std::optional<std::string> value = Lookup(section, key, path)) {
        result = *value;
    } else {
        std::string_view d = def;
        while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
        result = std::string(StripQuotes(d));
    }
    result.resize(Cp932Prefix(result, size - 1));
    return result;
}

int Profile::GetInt(const std::string& section, const std::string& key, int def,
                       const std::string& path) {
    std::optional<std::string> value = Lookup(section, key, path);
    if (!value || value->empty()) return def;
    std::string_view v = *value;
    std::size_t i = 0;
    while (i < v.size() && Blank(v[i])) ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
    std::uint32_t n = 0;
    if (i + 1 < v.size() && v[i] == '0' && v[i + 1] == 'x') {
        for (i += 2; i < v.size(); ++i) {
            char c = v[i];
            int d = (c >= '0' && c <= '9')   ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : -1;
            if (d < 0) break;
            n = n * 16 + static_cast<std::uint32_t>(d);
        }
    } else {
        for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
            n = n * 10 + static_cast<std::uint32_t>(v[i] - '0');
        }
    }
    if (negative) n = 0u - n;
    return static_cast<std::int32_t>(n);
}

bool Profile::WriteString(const std::string& section, const std::string& key,
                             const std::string& value, const std::string& path) {
    using namespace std::string_view_literals;
    const std::string_view breaks = "\r\n\0"sv;
    std::string_view name = Trim(section);
    std::string_view k = Trim(key);
    if (name.empty() || k.empty() || HasByte(section, breaks) || HasByte(key, breaks) ||
        HasByte(value, breaks) || FindChar(name, ']') != std::string_view::npos ||
        key.find('=') != std::string::npos || k.front() == '[') {
        return false;
    }

    std::string text;
    if (ReadFile(path, text) == ReadResult::Failed) return false;
    std::vector<Section> sections = Parse(text);
    Section* s = FindSection(sections, name);
    std::string out;
    if (!s) {
        out = text;
        if (!out.empty() && out.back() != '\n') out += out.back() == '\r' ? "\n" : "\r\n";
        out.append("[").append(name).append("]\r\n");
        out.append(k).append("=").append(value).append("\r\n");
    } else if (Entry* e = FindEntry(*s, k)) {
        out = text.substr(0, e->valuePos);
        if (!e->hasValue) out += '=';
        out += value;
        out.append(text, e->contentEnd, std::string::npos);
    } else {
        // The last line of the file may lack its line ending: it gets one.
        std::string line;
        if (!s->lastHasNewline) line = s->lastNext > s->lastEnd ? "\n" : "\r\n";
        line.append(k).append("=").append(value).append("\r\n");
        out = text;
        out.insert(s->lastNext, line);
    }
    return out == text || WriteFile(path, out);
}

}  // namespace pelmor::posix
