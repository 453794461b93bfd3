// The measurement log through the C runtime's low-level file functions.
#pragma once

#include "platform/LogFile.h"

namespace pelmor::win32 {

class LogFile : public ILogFile {
public:
    ~LogFile() override;
    OpenResult OpenAppend(const std::string& path) override;
    bool Create(const std::string& path) override;
    bool Write(const char* data, std::size_t size) override;
    bool Empty() override;
    bool Commit() override;
    void Close() override;

private:
    int fd_ = -1;
};

}  // namespace pelmor::win32
