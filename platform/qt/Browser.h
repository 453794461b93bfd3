// The web tour in a real browser, for the Qt front end.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Browser.h"

namespace pelmor::qt {

// Starts the browser on the first page, with a profile folder of its own and
// remote control on 127.0.0.1, keeps it across pages and tells it each page
// in its one tab: over the DevTools protocol for the Chromium family, over
// WebDriver BiDi for Firefox. A browser that is gone is started again on the
// next page. Every wait is bounded and runs the application's timers (not
// its user input) meanwhile. The browser is ended with this object.
class Browser : public IBrowser {
public:
    Browser();
    ~Browser() override;
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    Result OpenPage(const std::string& program, const std::string& url,
                    const std::function<void()>& connected) override;

private:
    class Session;
    std::unique_ptr<Session> session_;
};

}  // namespace pelmor::qt
