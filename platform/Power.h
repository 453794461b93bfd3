// The power status: where the power comes from and how full the batteries
// are, as far as the system can tell.
#pragma once

#include <optional>

namespace pelmor {

struct PowerReading {
    enum class Source { Battery, Mains, Unknown };
    Source source = Source::Unknown;
    std::optional<int> level;  // percent; none when the system cannot tell
};

class IPowerSource {
public:
    virtual ~IPowerSource() = default;
    virtual bool Read(PowerReading& reading) = 0;  // false: the read failed
};

}  // namespace pelmor
