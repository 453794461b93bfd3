// Web page load: the URL list read at start-up, and the tick that has the
// browser open the next URL.
#include <climits>
#include <cstdio>
#include <cstring>

#include "forms/Main.h"
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

void TfrmMain::LoadUrlList() {
    const std::string path = JoinPath(ProgramDir(), "url.lst");
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) return;

    // Tokens are runs of bytes between white space, read byte by byte so
    // that no content can overrun the token buffer.
    std::string token;
    bool tooLong = false;
    for (;;) {
        const int c = std::getc(file);
        if (c == EOF || IsSeparator(c)) {
            if (!token.empty() && !tooLong && UrlCount < INT32_MAX) {
                // An entry is the token as text: it ends at a zero byte.
                token.resize(std::char_traits<char>::length(token.c_str()));
                lstURL.Add(Cp932ToUtf8(token));
                UrlEntries.push_back(token);
                ++UrlCount;
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

void TfrmMain::TimerURLTimer() {
    if (!chkURL.Checked() || UrlCount <= 0) return;
    // A tick fired while an earlier one waits for the browser leaves the
    // page to that one.
    if (UrlTickRunning) return;
    FlagScope running(UrlTickRunning);

    const char* path = settings.IePath;
    const std::string program(path, strnlen(path, sizeof settings.IePath));
    const IBrowser::Result result = app_.svc.browser.OpenPage(
        program, UrlEntries[static_cast<std::size_t>(UrlIndex)],
        [this] { lstURL.SetItemIndex(UrlIndex); });
    // A page the browser refused is not tried again: the tour goes on.
    if (result != IBrowser::Result::NoBrowser) {
        ++UrlIndex;
        if (UrlIndex >= UrlCount) UrlIndex = 0;
    }
    ForceForeground(window_->Handle());
    Memo1.SetFocus();
}

}  // namespace pelmor
