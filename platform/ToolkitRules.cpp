#include "platform/ToolkitRules.h"

#include <algorithm>
#include <cctype>

namespace pelmor::toolkit {

namespace {

std::string Upper(std::string_view text) {
    std::string s(text);
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool KeyCode(const std::string& key, unsigned& code) {
    if (key.size() == 1) {
        char c = key[0];
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            code = static_cast<unsigned char>(c);
            return true;
        }
        return false;
    }
    if (key.size() >= 2 && key.size() <= 3 && key[0] == 'F') {
        int n = 0;
        for (std::size_t i = 1; i < key.size(); ++i) {
            if (key[i] < '0' || key[i] > '9') return false;
            n = n * 10 + (key[i] - '0');
        }
        if (n < 1 || n > 24) return false;
        code = 0x70 + static_cast<unsigned>(n - 1);
        return true;
    }
    return false;
}

unsigned Word(std::string_view b, std::size_t at) {
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}

std::size_t Dword(std::string_view b, std::size_t at) {
    return static_cast<std::size_t>(Word(b, at)) | (static_cast<std::size_t>(Word(b, at + 2)) << 16);
}

}  // namespace

bool ParseShortcut(std::string_view text, Shortcut& out) {
    Shortcut s;
    std::string rest = Upper(text);
    while (true) {
        std::size_t plus = rest.find('+');
        // A trailing "+" is the key itself ("Ctrl++" is not supported).
        if (plus == std::string::npos || plus + 1 == rest.size()) break;
        std::string mod = rest.substr(0, plus);
        if (mod == "CTRL") {
            s.ctrl = true;
        } else if (mod == "SHIFT") {
            s.shift = true;
        } else if (mod == "ALT") {
            s.alt = true;
        } else {
            return false;
        }
        rest.erase(0, plus + 1);
    }
    if (!KeyCode(rest, s.key)) return false;
    out = s;
    return true;
}

std::string FilterList(std::string_view filter) {
    std::string list;
    std::size_t start = 0;
    bool name = true;
    while (start < filter.size()) {
        std::size_t bar = filter.find('|', start);
        std::size_t end = bar == std::string_view::npos ? filter.size() : bar;
        list.append(filter.substr(start, end - start));
        list.push_back('\0');
        name = !name;
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    if (!name) list.append("*.*").push_back('\0');
    list.push_back('\0');
    if (list.size() == 1) list.push_back('\0');
    return list;
}

std::vector<const LayoutNode*> TabOrder(const Layout& layout) {
    std::vector<const LayoutNode*> order;
    for (const auto& node : layout.nodes) {
        if (node.Has("tab")) order.push_back(&node);
    }
    std::stable_sort(order.begin(), order.end(), [](const LayoutNode* a, const LayoutNode* b) {
        return a->Int("tab") < b->Int("tab");
    });
    return order;
}

std::vector<int> PanelEdges(const std::vector<int>& widths) {
    std::vector<int> edges;
    int right = 0;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        right += widths[i];
        edges.push_back(i + 1 == widths.size() ? -1 : right);
    }
    return edges;
}

bool PickIconPicture(std::string_view ico, int size, IconPicture& out) {
    if (ico.size() < 6 || Word(ico, 0) != 0 || Word(ico, 2) != 1) return false;
    unsigned count = Word(ico, 4);
    if (count == 0 || ico.size() < 6 + 16 * static_cast<std::size_t>(count)) return false;
    std::vector<IconPicture> pictures;
    for (unsigned i = 0; i < count; ++i) {
        std::size_t e = 6 + 16 * static_cast<std::size_t>(i);
        IconPicture p;
        p.width = static_cast<unsigned char>(ico[e]) ? static_cast<unsigned char>(ico[e]) : 256;
        p.height = static_cast<unsigned char>(ico[e + 1]) ? static_cast<unsigned char>(ico[e + 1]) : 256;
        p.bitCount = static_cast<int>(Word(ico, e + 6));
        if (p.bitCount == 0) {
            // Older files leave the bit count out and give the colour count.
            unsigned colours = static_cast<unsigned char>(ico[e + 2]);
            p.bitCount = colours == 0 ? 8 : colours <= 2 ? 1 : colours <= 16 ? 4 : 8;
        }
        p.size = Dword(ico, e + 8);
        p.offset = Dword(ico, e + 12);
        if (p.size == 0 || p.offset > ico.size() || p.size > ico.size() - p.offset) return false;
        pictures.push_back(p);
    }
    // Rank: exact size, then the nearest larger, then the largest smaller one.
    auto rank = [size](const IconPicture& p) {
        if (p.width == size) return 0;
        if (p.width > size) return p.width - size;
        return 100000 + (size - p.width);
    };
    out = *std::min_element(pictures.begin(), pictures.end(),
                            [&](const IconPicture& a, const IconPicture& b) {
                                if (rank(a) != rank(b)) return rank(a) < rank(b);
                                return a.bitCount > b.bitCount;
                            });
    return true;
}

}  // namespace pelmor::toolkit
