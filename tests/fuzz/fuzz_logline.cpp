// Log lines from any numbers and headers from any comment: a sample line is
// one line that reads back as written when its values are the program's, and
// a header never passes 127 bytes nor ends inside a double-byte character.
#include <cstdlib>
#include <cstring>

#include "forms/LogFormat.h"
#include "platform/Codepage.h"

using namespace pelmor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::int32_t v[3] = {};
    const std::size_t n = size < sizeof v ? size : sizeof v;
    std::memcpy(v, data, n);
    const std::string comment(reinterpret_cast<const char*>(data + n), size - n);

    const std::string line = SampleLine(v[0], v[1], v[2]);
    if (line.size() < 16 || line.back() != '\n' || line.find('\n') != line.size() - 1) std::abort();
    const LogLine read = ParseLogLine(std::string_view(line).substr(0, line.size() - 1));
    const bool sample = v[1] >= 0 && v[1] <= 100 && (v[2] == kOnBattery || v[2] == kOnAc);
    if ((read.kind == LogLineKind::Sample) != sample) std::abort();
    if (sample && (read.elapsed != v[0] || read.level != v[1] || read.source != v[2])) std::abort();

    const std::string date = "Tue Nov 14 22:13:20 2023\n";
    const std::string header = LogHeader(date, comment);
    if (header.size() > kHeaderBytes || header.compare(0, 3 + date.size() + 2, "\n' " + date + "' ") != 0 ||
        header.back() != '\n')
        std::abort();
    const std::string kept = header.substr(3 + date.size() + 2, header.size() - date.size() - 6);
    if (Cp932Prefix(kept, kept.size()) != kept.size()) std::abort();
    if (comment.compare(0, kept.size(), kept) != 0) std::abort();
    return 0;
}
