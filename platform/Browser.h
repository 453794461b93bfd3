// The web tour: the browser told to show a page.
#pragma once

#include <functional>
#include <string>

namespace pelmor {

class IBrowser {
public:
    enum class Result {
        Opened,     // the browser took the page
        NoBrowser,  // no browser could be reached, not even by starting one
        Refused,    // the browser was reached but did not take the page
    };
    virtual ~IBrowser() = default;
    // program: the browser to start when none answers (code page 932 bytes,
    // as in the settings file); url: the page, byte for byte as listed.
    // connected runs once the browser answered, before the page is sent.
    virtual Result OpenPage(const std::string& program, const std::string& url,
                            const std::function<void()>& connected) = 0;
    // The program used where the settings name none, given the settings'
    // own default; the system may know a better one.
    virtual std::string DefaultProgram(const std::string& fallback) { return fallback; }
};

}  // namespace pelmor
