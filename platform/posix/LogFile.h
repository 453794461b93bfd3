// The measurement log on a POSIX file system: open(2) with O_APPEND, write(2),
// fsync(2), close(2).
#pragma once

#include "platform/LogFile.h"

namespace pelmor::posix {

class LogFile : public ILogFile {
public:
    LogFile() = default;
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;
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

}  // namespace pelmor::posix
