#include "platform/Layout.h"

#include <charconv>

#include "platform/Exception.h"

namespace pelmor {

namespace {

std::vector<std::string> Split(std::string_view text, char sep) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find(sep, start);
        parts.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return parts;
}

int ToInt(std::string_view text, std::string_view key) {
    int value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size()) {
        throw Exception("layout: " + std::string(key) + " is not a number: " + std::string(text));
    }
    return value;
}

// Reads the words of one line: bare words, key=value and key="quoted value".
std::vector<std::string> Words(std::string_view line, int lineNo) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        std::string word;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            if (line[i] == '"') {
                ++i;
                while (true) {
                    if (i >= line.size()) {
                        throw Exception("layout: unterminated quote on line " +
                                        std::to_string(lineNo));
                    }
                    char c = line[i++];
                    if (c == '"') break;
                    if (c == '\\' && i < line.size()) c = line[i++];
                    word += c;
                }
            } else {
                word += line[i++];
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

const LayoutNode* FindIn(const std::vector<LayoutNode>& nodes, std::string_view name) {
    for (const auto& n : nodes) {
        if (n.name == name) return &n;
        if (const LayoutNode* found = FindIn(n.children, name)) return found;
    }
    return nullptr;
}

}  // namespace

bool LayoutNode::Has(std::string_view key) const {
    for (const auto& [k, v] : attrs) {
        if (k == key) return true;
    }
    return false;
}

std::string LayoutNode::Str(std::string_view key, std::string_view def) const {
    for (const auto& [k, v] : attrs) {
        if (k == key) return v;
    }
    return std::string(def);
}

int LayoutNode::Int(std::string_view key, int def) const {
    return Has(key) ? ToInt(Str(key), key) : def;
}

std::pair<int, int> LayoutNode::Pair(std::string_view key, int def) const {
    if (!Has(key)) return {def, def};
    auto parts = Split(Str(key), ',');
    if (parts.size() != 2) throw Exception("layout: " + std::string(key) + " needs two numbers");
    return {ToInt(parts[0], key), ToInt(parts[1], key)};
}

std::vector<int> LayoutNode::Ints(std::string_view key) const {
    std::vector<int> values;
    if (!Has(key)) return values;
    for (const auto& part : Split(Str(key), ',')) values.push_back(ToInt(part, key));
    return values;
}

std::vector<std::string> LayoutNode::List(std::string_view key) const {
    if (!Has(key)) return {};
    return Split(Str(key), ',');
}

bool LayoutNode::Flag(std::string_view key) const {
    std::string v = Str(key);
    return v == "1" || v == "true" || v == "yes";
}

const LayoutNode* Layout::Find(std::string_view name) const {
    if (form.name == name) return &form;
    return FindIn(nodes, name);
}

Layout Layout::Parse(std::string_view text) {
    Layout layout;
    bool haveForm = false;
    // Stack of (indent, node) for nesting.
    std::vector<std::pair<std::size_t, LayoutNode*>> open;
    int lineNo = 0;
    for (const auto& raw : Split(text, '\n')) {
        ++lineNo;
        std::string_view line = raw;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::size_t indent = line.find_first_not_of(" \t");
        if (indent == std::string_view::npos || line[indent] == '#') continue;
        auto words = Words(line.substr(indent), lineNo);
        if (words.size() < 2) {
            throw Exception("layout: a line needs a kind and a name, line " +
                            std::to_string(lineNo));
        }
        LayoutNode node;
        node.kind = words[0];
        node.name = words[1];
        for (std::size_t w = 2; w < words.size(); ++w) {
            std::size_t eq = words[w].find('=');
            if (eq == std::string::npos) {
                node.attrs.emplace_back(words[w], "1");
            } else {
                node.attrs.emplace_back(words[w].substr(0, eq), words[w].substr(eq + 1));
            }
        }
        if (!haveForm) {
            if (node.kind != "form" || indent != 0) {
                throw Exception("layout: the first line must be the form");
            }
            layout.form = std::move(node);
            haveForm = true;
            continue;
        }
        while (!open.empty() && open.back().first >= indent) open.pop_back();
        std::vector<LayoutNode>& siblings = open.empty() ? layout.nodes : open.back().second->children;
        siblings.push_back(std::move(node));
        open.emplace_back(indent, &siblings.back());
    }
    if (!haveForm) throw Exception("layout: no form");
    return layout;
}

}  // namespace pelmor
