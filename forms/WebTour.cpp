#include "forms/WebTour.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "app/Application.h"
#include "platform/Codepage.h"

namespace pelmor {

namespace {

// Longest URL taken from the list; a longer token is skipped whole.
constexpr std::size_t kMaxUrlBytes = 255;

bool IsSeparator(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Clears a flag when the scope ends, however it ends.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

WebTour::WebTour(IBrowser& browser, const Settings& settings, ICheckBox& chkURL, IListBox& lstURL)
    : browser_(browser), settings_(settings), chkURL_(chkURL), lstURL_(lstURL) {}

void WebTour::LoadUrlList(const std::string& dir) {
    const std::string path = JoinPath(dir, "url.lst");
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) return;

    // Tokens are runs of bytes between white space, read byte by byte so
    // that no content can overrun the token buffer.
    std::string token;
    bool tooLong = false;
    for (;;) {
        const int c = std::getc(file);
        if (c == EOF || IsSeparator(c)) {
            if (!token.empty() && !tooLong && entries_.size() < INT32_MAX) {
                // An entry is the token as text: it ends at a zero byte.
                token.resize(std::char_traits<char>::length(token.c_str()));
                lstURL_.Add(Cp932ToUtf8(token));
                entries_.push_back(token);
            }
            token.clear();
            tooLong = false;
            if (c == EOF) break;
            continue;
        }
        if (tooLong) continue;
        if (token.size() == kMaxUrlBytes) {
            tooLong = true;
            token.clear();
            continue;
        }
        token.push_back(static_cast<char>(c));
    }
    std::fclose(file);
}

bool WebTour::Tick() {
    if (!chkURL_.Checked() || entries_.empty()) return false;
    // A tick fired while an earlier one waits for the browser leaves the
    // page to that one.
    if (tickRunning_) return false;
    FlagScope running(tickRunning_);

    const char* path = settings_.IePath;
    const std::string program(path, strnlen(path, sizeof settings_.IePath));
    const IBrowser::Result result = browser_.OpenPage(
        program, entries_[static_cast<std::size_t>(index_)],
        [this] { lstURL_.SetItemIndex(index_); });
    // A page the browser refused is not tried again: the tour goes on.
    if (result != IBrowser::Result::NoBrowser) {
        ++index_;
        if (index_ >= UrlCount()) index_ = 0;
    }
    return true;
}

}  // namespace pelmor
