// The settings and history file pelmor.ini beside the executable. This is
// the one place that knows its name, sections, keys, defaults and limits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Profile.h"

namespace pelmor {

// One minute of the battery history: the level and the SourceCode.
struct PowerSample {
    std::int32_t Level;
    std::int32_t Source;
};

inline constexpr int kHistorySlots = 180;

class Settings {
public:
    static constexpr char kDefaultIePath[] = "C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE";
    static constexpr std::int32_t kMinReloadInterval = 20;

    static constexpr std::int32_t kMinKeyInterval = 1;

    // dir: the folder the file lives in; defaultIePath: the browser path
    // where the file names none.
    Settings(IProfile& profile, const std::string& dir,
             std::string defaultIePath = kDefaultIePath);
    const std::string& DefaultIePath() const { return defaultIePath_; }

    // The browser path (code page 932 bytes, zero-terminated) and the two
    // intervals in seconds.
    char IePath[128]{};
    std::int32_t ReloadInterval = 0;
    std::int32_t KeyInterval = 0;

    // Reads the three settings, each with its default.
    void Read();

    // The settings dialog's stores, each writing its own key. A path of 128
    // bytes or more is refused and nothing changes. An interval below its
    // minimum is stored as the minimum but not written; the result says
    // whether the value was taken as given.
    bool StoreIePath(std::string_view cp932);
    bool StoreReloadInterval(std::int32_t seconds);
    bool StoreKeyInterval(std::int32_t seconds);

    // The saved history, oldest first: at most kHistorySlots - 1 entries,
    // the newest ones of a longer, hand-edited list.
    std::vector<PowerSample> ReadHistory();
    // When the program last closed; none when the file does not say.
    std::optional<std::int32_t> ReadEndTime();
    // Writes the entries, the empty entry that ends them, and the close time.
    void SaveHistory(const PowerSample* samples, std::int32_t count, std::int32_t now);

private:
    IProfile& profile_;
    std::string path_;
    std::string defaultIePath_;
};

}  // namespace pelmor
