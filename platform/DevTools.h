// The web tour's side of the Chromium DevTools protocol over the browser's
// pipe: one JSON message per command, answer and event, each ended by a NUL
// byte. Free of any toolkit; each platform brings the pipe.
#pragma once

#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "platform/Browser.h"

namespace pelmor {

// The two ends of the pipe to one started browser.
class IDevToolsPipe {
public:
    virtual ~IDevToolsPipe() = default;
    // Hands the bytes to the browser; false when it takes them no more.
    virtual bool Write(const std::string& bytes) = 0;
    // Appends what the browser wrote, waiting at most ms for something
    // (running the application's timers meanwhile); false once the browser's
    // end is closed and nothing is left.
    virtual bool Read(std::string& to, int ms) = 0;
};

// Tells one browser its pages, in its one page target.
class DevToolsClient {
public:
    // The first command of a browser just started has startMs for its
    // answer (the browser is still coming up), each other one answerMs.
    DevToolsClient(IDevToolsPipe& pipe, int startMs, int answerMs);
    ~DevToolsClient();
    DevToolsClient(const DevToolsClient&) = delete;
    DevToolsClient& operator=(const DevToolsClient&) = delete;

    // Finds the page (the first page target, or a new one when there is
    // none) and attaches to it unless attached already, then navigates it to
    // url; connected runs once the page is found, before it is told the URL.
    // NoBrowser when the browser does not get that far, Refused when the page
    // is not confirmed (an error answer, an error page, or no answer in time).
    IBrowser::Result Open(const std::string& url, const std::function<void()>& connected);
    // Asks the browser to close, without waiting.
    void Close();
    // The browser has answered a command: it can be asked to close.
    bool Answered() const { return heard_; }
    // The pipe is closed: this browser can be told nothing more.
    bool Closed() const { return closed_; }
    // Pages in a row that the browser let go unanswered (not found, or not
    // confirmed); a browser that reaches kMissesBeforeRestart is ended and
    // started afresh by its owner, since one that hangs must not stop the
    // tour for the rest of a measurement.
    int Misses() const { return misses_; }
    static constexpr int kMissesBeforeRestart = 3;

private:
    enum class Answer { Result, Error, None, Lost };
    Answer Call(const char* method, const nlohmann::json& params, nlohmann::json* result,
                bool inPage = false);
    bool Attach();
    bool Collect(nlohmann::json* answer);
    void Take(const std::string& message, nlohmann::json* answer);

    IDevToolsPipe& pipe_;
    const int startMs_, answerMs_;
    std::string inbox_;    // bytes read past the last whole message
    std::string session_;  // the attached page's session, empty when none
    long lastId_ = 0;
    int misses_ = 0;
    bool heard_ = false;   // the browser has answered once
    bool closed_ = false;
};

// What a Chromium-family browser is started with for the tour, after its
// program: its own profile; the protocol on its pipe, no network port; none
// of the browser's own traffic (first-run pages, sign-in, updates, QUIC
// probes) beside the tour's pages. The sandbox stays. The page it opens on
// comes last.
std::vector<std::string> DevToolsPipeArguments(const std::string& profile);

}  // namespace pelmor
