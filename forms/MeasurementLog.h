// The measurement log pelmor.log beside the executable: every line is
// appended by opening the file, writing one piece, committing it to disk and
// closing the file again, so a line written is a line kept even when the
// battery dies a second later.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/Application.h"

namespace pelmor {

class MeasurementLog {
public:
    // owner: the window of the error box.
    MeasurementLog(TApplication& app, IWindow* owner);

    // A sample line.
    void WriteLog(std::int32_t level, std::int32_t source, std::int32_t elapsed);
    // Text (code page 932 bytes) as it is: the header.
    void WriteLogText(std::string_view text);
    // The end line; the log then takes no more lines.
    void WriteEndLine();
    bool LogClosed() const { return closed_; }

private:
    void Append(std::string_view text);

    TApplication& app_;
    IWindow* owner_;
    bool closed_ = false;
    // Set while the error box is open, so ticks do not pile up boxes.
    bool errorShown_ = false;
};

}  // namespace pelmor
