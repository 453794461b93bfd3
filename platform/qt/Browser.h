// The web tour in a real browser, for the Qt front end.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Browser.h"

namespace pelmor::qt {

// Starts the browser on the first page, with a profile folder of its own,
// keeps it across pages and tells it each page in its one tab: over the
// DevTools protocol on the browser's pipe for the Chromium family (no network
// port), over WebDriver BiDi on a port of 127.0.0.1 for Firefox, when the
// settings name it. As root, the browser runs as an unprivileged user. A
// browser that is gone is started again on the next page. Every wait is
// bounded and runs the application's timers (not its user input) meanwhile.
// The browser is ended with this object, and with the process however it
// ends; profile folders left by a Pelmor killed earlier go at construction.
class Browser : public IBrowser {
public:
    Browser();
    ~Browser() override;
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    Result OpenPage(const std::string& program, const std::string& url,
                    const std::function<void()>& connected) override;

    class Session;

private:
    std::unique_ptr<Session> session_;
};

}  // namespace pelmor::qt
