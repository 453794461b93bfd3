// Settings files through the system's private-profile functions.
#pragma once

#include "platform/Profile.h"

namespace pelmor::win32 {

class Profile : public IProfile {
public:
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def, std::size_t size,
                          const std::string& path) override;
    int GetInt(const std::string& section, const std::string& key, int def,
               const std::string& path) override;
    bool WriteString(const std::string& section, const std::string& key,
                     const std::string& value, const std::string& path) override;
};

}  // namespace pelmor::win32
