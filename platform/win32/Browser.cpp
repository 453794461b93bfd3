#include "platform/win32/Browser.h"

#include <algorithm>

#include "platform/Codepage.h"
#include "platform/DevTools.h"

namespace pelmor::win32 {

namespace {
constexpr char kService[] = "Iexplore";
constexpr char kTopic[] = "WWW_OpenURL";

// Windows 10 is the first on which Internet Explorer no longer opens pages
// of its own accord, and the first that ships Edge on Chromium.
constexpr unsigned long kFirstEdgeMajor = 10;

bool Letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// The file name of a path; a code page 932 trail byte may equal '\\', so
// the path is walked character by character.
std::string FileName(const std::string& path) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto b = static_cast<unsigned char>(path[i]);
        if (Cp932LeadByte(b)) {
            ++i;  // lead byte: the next one belongs to it
        } else if (b == '\\' || b == '/' || b == ':') {
            start = i + 1;
        }
    }
    return path.substr(std::min(start, path.size()));
}
}  // namespace

bool SpeaksDevToolsPipe(const std::string& program) {
    static const char* const kFamily[] = {"msedge.exe",  "chrome.exe",  "chromium.exe",
                                          "brave.exe",   "vivaldi.exe", "opera.exe"};
    const std::string name = Lower(FileName(program));
    return std::any_of(std::begin(kFamily), std::end(kFamily),
                       [&](const char* f) { return name == f; });
}

std::string DefaultBrowserPath(unsigned long major, const std::string& edgePath,
                               const std::string& iePath) {
    return major >= kFirstEdgeMajor && !edgePath.empty() ? edgePath : iePath;
}

std::string PipeCommandLine(const std::string& program, const std::string& profile,
                            unsigned long reads, unsigned long writes) {
    std::string line = "\"" + program + "\"";
    for (const std::string& a : DevToolsPipeArguments(profile)) {
        // A path (the profile's) is quoted; the pipe's handles, which the
        // browser inherits, follow the pipe's switch.
        line += a.find('\\') == std::string::npos ? " " + a : " \"" + a + "\"";
        if (a == "--remote-debugging-pipe")
            line += " --remote-debugging-io-pipes=" + std::to_string(reads) + "," + std::to_string(writes);
    }
    return line;
}

std::string NavigableUrl(const std::string& url) {
    const std::size_t colon = url.find(':');
    // A scheme: letters first, then letters, digits, + - . up to the colon;
    // one letter alone is a drive (C:\page.htm), and a digit after the colon
    // makes it a host and its port (www.example.jp:8080).
    bool scheme = colon != std::string::npos && colon > 1 && Letter(url[0]) &&
                  !(colon + 1 < url.size() && url[colon + 1] >= '0' && url[colon + 1] <= '9');
    for (std::size_t i = 0; scheme && i < colon; ++i) {
        const char c = url[i];
        scheme = Letter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    }
    if (scheme || url.empty()) return url;
    if (colon == 1 || url.rfind("\\\\", 0) == 0) return "file:///" + url;
    return "http://" + url;
}

IBrowser::Result Browser::OpenPage(const std::string& program, const std::string& url,
                                   const std::function<void()>& connected) {
    if (SpeaksDevToolsPipe(program)) {
        // Another program chosen meanwhile: the one started before is ended.
        if (!pipe_ || program != pipeProgram_) {
            pipe_.reset();
            pipe_ = makePipe_();
            pipeProgram_ = program;
        }
        return pipe_->OpenPage(program, url, connected);
    }
    pipe_.reset();
    if (!client_) client_ = makeClient_();
    std::unique_ptr<IDdeClientConv> conv = client_->CreateConversation();
    conv->SetServiceApplication(program);
    Result result = Result::NoBrowser;
    if (conv->SetLink(kService, kTopic)) {
        connected();
        result = conv->ExecuteMacro(url, true) ? Result::Opened : Result::Refused;
    }
    conv->CloseLink();
    return result;
}

}  // namespace pelmor::win32
