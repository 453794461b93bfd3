// A DDE client conversation, one per page handed to the browser.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace pelmor::win32 {

class IDdeClientConv {
public:
    virtual ~IDdeClientConv() = default;
    // The program started when no server answers for the service (ANSI bytes).
    virtual void SetServiceApplication(const std::string& path) = 0;
    virtual bool SetLink(const std::string& service, const std::string& topic) = 0;
    // The command's bytes go to the server unchanged. With wait set, the call
    // waits (for a bounded time) for the server's answer.
    virtual bool ExecuteMacro(const std::string& command, bool wait) = 0;
    virtual void CloseLink() = 0;
};

class IDdeClient {
public:
    virtual ~IDdeClient() = default;
    // A conversation lives no longer than its client.
    virtual std::unique_ptr<IDdeClientConv> CreateConversation() = 0;
};

// Dispatches the thread's messages but the keyboard's (keys stay queued for
// the program's own loop; its timers run) for at most ms milliseconds, or
// until done() holds. False when the message loop was asked to end.
bool PumpMessages(unsigned long ms, const std::function<bool()>& done);

// Conversations through DDEML.
std::unique_ptr<IDdeClient> CreateDdeClient();

}  // namespace pelmor::win32
