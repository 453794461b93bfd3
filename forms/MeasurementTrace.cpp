#include "forms/MeasurementTrace.h"

namespace pelmor {

namespace {

TraceSource SourceOf(const PowerReading& power) {
    switch (power.source) {
    case PowerReading::Source::Battery: return TraceSource::Battery;
    case PowerReading::Source::Mains: return TraceSource::Mains;
    default: return TraceSource::Unknown;
    }
}

}  // namespace

void MeasurementTrace::Start(std::int32_t startTime, const PowerReading& power) {
    running_ = true;
    start_ = startTime;
    Write(TraceEvent::Start, power);
}

void MeasurementTrace::Tick(const PowerReading& power) {
    if (running_ && SourceOf(power) != source_) Write(TraceEvent::Source, power);
}

void MeasurementTrace::Write(TraceEvent event, const PowerReading& power) {
    if (!running_) return;
    if (event == TraceEvent::Stop || event == TraceEvent::Close) running_ = false;

    const IClock& clock = app_.svc.clock;
    const std::int32_t now = clock.Now();
    // The energy is asked for here, once a line, not with every second's status.
    PowerReading withEnergy = power;
    app_.svc.power.ReadEnergy(withEnergy);

    TraceLine line;
    line.started = {start_, clock.UtcOffset(start_)};
    line.time = {now, clock.UtcOffset(now)};
    line.event = event;
    line.elapsed = static_cast<std::int64_t>(now) - start_;
    line.source = source_ = SourceOf(power);
    if (power.level && *power.level >= 0 && *power.level <= 100) line.level = power.level;
    line.energy = withEnergy.energy;
    Append(line);
}

// Open, write, commit and close for every line, as the log is written; the
// columns' line goes in front when the file is new or empty. A failed write
// leaves no torn line (the file undoes it) and nothing is shown.
void MeasurementTrace::Append(const TraceLine& line) {
    ILogFile& file = app_.svc.log;
    const std::string path = JoinPath(app_.DataDir(), kTraceFileName.data());
    const ILogFile::OpenResult opened = file.OpenAppend(path);
    if (opened == ILogFile::OpenResult::Failed ||
        (opened == ILogFile::OpenResult::Missing && !file.Create(path)))
        return;
    std::string bytes = file.Empty() ? TraceHeaderBytes() : std::string();
    bytes += TraceLineBytes(line);
    if (file.Write(bytes.data(), bytes.size())) file.Commit();
    file.Close();
}

}  // namespace pelmor
