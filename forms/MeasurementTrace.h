// pelmor-trace.csv beside pelmor.log: while a measurement runs, one line at
// its start, at the first tick of every wall-clock minute, at a change of
// source, before a suspend and after the resume, at the stop and at the
// close, each with what the system tells of the battery's energy. Lines are
// written as the log's are (append, commit, close), but a failure stays
// silent: the trace never disturbs the log or the measurement.
#pragma once

#include <cstdint>

#include "app/Application.h"
#include "forms/TraceFormat.h"
#include "platform/Power.h"

namespace pelmor {

class MeasurementTrace {
public:
    explicit MeasurementTrace(TApplication& app) : app_(app) {}

    // A measurement started at startTime (seconds since the epoch): the start line.
    void Start(std::int32_t startTime, const PowerReading& power);
    // A tick of the measurement: a source line when the source is not that
    // of the last line.
    void Tick(const PowerReading& power);
    // A line of any other event; stop and close end the measurement's trace.
    void Write(TraceEvent event, const PowerReading& power);

private:
    void Append(const TraceLine& line);

    TApplication& app_;
    bool running_ = false;
    std::int32_t start_ = 0;
    TraceSource source_ = TraceSource::Unknown;  // of the last line
};

}  // namespace pelmor
