// The web tour: the URL list url.lst read at start-up into the list box, and
// at each tick, while its box is ticked, the browser asked to open the next
// entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "forms/Settings.h"
#include "platform/Browser.h"
#include "platform/Toolkit.h"

namespace pelmor {

class WebTour {
public:
    // settings: the browser's path, read at each tick.
    WebTour(IBrowser& browser, const Settings& settings, ICheckBox& chkURL, IListBox& lstURL);

    // Reads url.lst in dir; without it the list stays empty.
    void LoadUrlList(const std::string& dir);
    // One tick; false when it did nothing (box unticked, empty list, or an
    // earlier tick still waiting for the browser).
    bool Tick();

    // The entries as read (code page 932 bytes), in list order; the list box
    // shows them converted, the browser is handed these bytes.
    const std::vector<std::string>& UrlEntries() const { return entries_; }
    std::int32_t UrlCount() const { return static_cast<std::int32_t>(entries_.size()); }
    std::int32_t UrlIndex() const { return index_; }

private:
    IBrowser& browser_;
    const Settings& settings_;
    ICheckBox& chkURL_;
    IListBox& lstURL_;
    std::vector<std::string> entries_;
    std::int32_t index_ = 0;  // the next entry to open
    // Set while a tick waits for the browser: a tick that fires from a wait
    // inside it (the browser starting, a slow answer) does nothing.
    bool tickRunning_ = false;
};

}  // namespace pelmor
