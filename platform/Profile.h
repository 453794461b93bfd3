// Private-profile (INI) files, with the semantics of the Windows API:
// section and key names compare without regard to case; a missing key yields
// the default; a string read is cut to size - 1 bytes; an integer read yields
// the decimal number at the start of the value; a write creates the file and
// the section when needed and replaces an existing value in place.
// Paths and values are bytes in the system's ANSI code page.
#pragma once

#include <cstddef>
#include <string>

namespace pelmor {

class IProfile {
public:
    virtual ~IProfile() = default;
    virtual std::string GetString(const std::string& section, const std::string& key,
                                  const std::string& def, std::size_t size,
                                  const std::string& path) = 0;
    virtual int GetInt(const std::string& section, const std::string& key, int def,
                       const std::string& path) = 0;
    virtual bool WriteString(const std::string& section, const std::string& key,
                             const std::string& value, const std::string& path) = 0;
};

}  // namespace pelmor
