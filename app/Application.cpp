#include "app/Application.h"

#include "platform/Codepage.h"

namespace pelmor {

TApplication::~TApplication() = default;

void TApplication::Initialize() { svc.ui.Initialize(); }

void TApplication::SetTitle(std::string_view title) {
    title_ = std::string(title);
    svc.ui.SetTitle(title_);
}

void TApplication::Run() { svc.ui.Run(); }

void TApplication::ShowException(const std::exception& e) { svc.ui.ShowException(e); }

std::string ExtractFileDir(const std::string& path) {
    // The last '\\', '/' or ':' that is a character of its own: the trail
    // byte of a double-byte character can have the value of a backslash.
    std::size_t cut = std::string::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (PathLeadByte(c)) {
            ++i;
        } else if (c == '\\' || c == '/' || c == ':') {
            cut = i;
        }
    }
    if (cut == std::string::npos) return std::string();
    // "C:\pelmor.exe" and "C:pelmor.exe" both give "C:"
    return path.substr(0, path[cut] == ':' ? cut + 1 : cut);
}

}  // namespace pelmor
