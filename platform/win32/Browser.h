// The web tour in Internet Explorer, over the DDE client.
#pragma once

#include <functional>
#include <memory>

#include "platform/Browser.h"
#include "platform/win32/Dde.h"

namespace pelmor::win32 {

// Service "Iexplore", topic "WWW_OpenURL", one conversation per page; the
// browser program is the conversation's service application, started when
// no server answers.
class Browser : public IBrowser {
public:
    // makeClient: called when the first page is wanted, so a copy that stops
    // at start-up sets up nothing of DDE.
    explicit Browser(std::function<std::unique_ptr<IDdeClient>()> makeClient = CreateDdeClient)
        : makeClient_(std::move(makeClient)) {}
    Result OpenPage(const std::string& program, const std::string& url,
                    const std::function<void()>& connected) override;

private:
    std::function<std::unique_ptr<IDdeClient>()> makeClient_;
    std::unique_ptr<IDdeClient> client_;
};

}  // namespace pelmor::win32
