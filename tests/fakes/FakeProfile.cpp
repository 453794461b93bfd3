#include <cctype>
#include <cstdlib>

#include "fakes/Fakes.h"

namespace pelmor::fake {

bool FakeProfile::Same(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

FakeProfile::Section* FakeProfile::Find(const std::string& path, const std::string& section) {
    auto file = files.find(path);
    if (file == files.end()) return nullptr;
    for (auto& s : file->second) {
        if (Same(s.name, section)) return &s;
    }
    return nullptr;
}

const std::string* FakeProfile::Value(const std::string& path, const std::string& section,
                                      const std::string& key) {
    Section* s = Find(path, section);
    if (!s) return nullptr;
    for (auto& e : s->entries) {
        if (Same(e.key, key)) return &e.value;
    }
    return nullptr;
}

void FakeProfile::Set(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& value) {
    Section* s = Find(path, section);
    if (!s) {
        files[path].push_back({section, {}});
        s = &files[path].back();
    }
    for (auto& e : s->entries) {
        if (Same(e.key, key)) {
            e.value = value;
            return;
        }
    }
    s->entries.push_back({key, value});
}

std::string FakeProfile::GetString(const std::string& section, const std::string& key,
                                   const std::string& def, std::size_t size,
                                   const std::string& path) {
    const std::string* v = Value(path, section, key);
    std::string result = v ? *v : def;
    if (size == 0) return {};
    if (result.size() > size - 1) result.resize(size - 1);
    return result;
}

int FakeProfile::GetInt(const std::string& section, const std::string& key, int def,
                        const std::string& path) {
    const std::string* v = Value(path, section, key);
    if (!v) return def;
    return static_cast<int>(std::strtol(v->c_str(), nullptr, 10));
}

bool FakeProfile::WriteString(const std::string& section, const std::string& key,
                              const std::string& value, const std::string& path) {
    writes.push_back(section + "/" + key + "=" + value);
    Set(path, section, key, value);
    return true;
}

}  // namespace pelmor::fake
