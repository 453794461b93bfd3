#include "platform/win32/Power.h"

namespace pelmor::win32 {

bool Power::Read(PowerReading& reading) {
    std::uint8_t ac = 255, percent = 255;
    if (!api_.GetSystemPowerStatus(ac, percent)) return false;
    reading.source = ac == 0   ? PowerReading::Source::Battery
                     : ac == 1 ? PowerReading::Source::Mains
                               : PowerReading::Source::Unknown;
    reading.level.reset();
    if (percent != 255) reading.level = percent;
    return true;
}

}  // namespace pelmor::win32
