// The web tour on Windows: Internet Explorer and the other browsers of its
// time over DDE; the Chromium family (Edge, Chrome and their kin) over its
// DevTools pipe, since none of them answers the DDE service.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Browser.h"
#include "platform/win32/Dde.h"

namespace pelmor::win32 {

// True when program (a path, code page 932 bytes) names a Chromium-family
// browser that takes --remote-debugging-pipe: its file name, in any case, is
// one of msedge.exe, chrome.exe, chromium.exe, brave.exe, vivaldi.exe or
// opera.exe.
bool SpeaksDevToolsPipe(const std::string& program);

// The browser used where pelmor.ini names none: Edge (edgePath, from its
// App Paths key; empty when it has none) on Windows 10 and later, else
// iePath.
std::string DefaultBrowserPath(unsigned long major, const std::string& edgePath,
                               const std::string& iePath);

// The command line a Chromium-family browser is started with: its DevTools
// protocol on the two inherited pipe ends (the one it reads first, as
// decimal handle values), no network port, a profile folder of its own, and
// none of its own traffic (first-run page, sign-in, default-browser check,
// background networking).
std::string PipeCommandLine(const std::string& program, const std::string& profile,
                            unsigned long reads, unsigned long writes);

// A listed URL (UTF-8) as the browser navigates to it: a bare host name or
// path without a scheme gets http://, as an address bar would give it.
std::string NavigableUrl(const std::string& url);

// DDE: service "Iexplore", topic "WWW_OpenURL", one conversation per page;
// the browser program is the conversation's service application, started
// when no server answers. A Chromium-family program goes to the pipe
// browser instead, made when first wanted and kept while the program stays.
class Browser : public IBrowser {
public:
    using PipeFactory = std::function<std::unique_ptr<IBrowser>()>;
    // makeClient: called when the first page is wanted, so a copy that stops
    // at start-up sets up nothing of DDE; makePipe likewise.
    using DefaultChooser = std::function<std::string(const std::string&)>;
    // chooseDefault: the system's default browser, given the settings' own.
    Browser(std::function<std::unique_ptr<IDdeClient>()> makeClient, PipeFactory makePipe,
            DefaultChooser chooseDefault = nullptr)
        : makeClient_(std::move(makeClient)), makePipe_(std::move(makePipe)),
          chooseDefault_(std::move(chooseDefault)) {}
    Result OpenPage(const std::string& program, const std::string& url,
                    const std::function<void()>& connected) override;
    std::string DefaultProgram(const std::string& fallback) override {
        return chooseDefault_ ? chooseDefault_(fallback) : fallback;
    }

private:
    std::function<std::unique_ptr<IDdeClient>()> makeClient_;
    PipeFactory makePipe_;
    DefaultChooser chooseDefault_;
    std::unique_ptr<IDdeClient> client_;
    std::unique_ptr<IBrowser> pipe_;
    std::string pipeProgram_;
};

// The Chromium family over its DevTools pipe (Windows only): one browser
// started with the first page, in a profile folder of its own, and started
// afresh when it has gone or stopped answering; ended with it.
std::unique_ptr<IBrowser> CreatePipeBrowser();

// Edge's path from its App Paths key on Windows 10 and later, else iePath
// (Windows only).
std::string SystemDefaultBrowser(const std::string& iePath);

}  // namespace pelmor::win32
