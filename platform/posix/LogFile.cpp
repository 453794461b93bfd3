#include "platform/posix/LogFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace pelmor::posix {

LogFile::~LogFile() { Close(); }

ILogFile::OpenResult LogFile::OpenAppend(const std::string& path) {
    Close();
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno == ENOENT ? OpenResult::Missing : OpenResult::Failed;
    fd_ = fd;
    return OpenResult::Ok;
}

bool LogFile::Create(const std::string& path) {
    Close();
    // O_APPEND although the file is new: should another program have created
    // it since the caller found it missing, its contents are kept and the
    // lines go after them. Never O_TRUNC.
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    fd_ = fd;
    return true;
}

bool LogFile::Write(const char* data, std::size_t size) {
    if (fd_ < 0) return false;
    // A write that stops part-way (a full disk) is undone, so the file never
    // ends in a torn line that the next line would be glued to.
    struct stat st {};
    const bool known = ::fstat(fd_, &st) == 0;
    while (size > 0) {
        ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (known) {
                while (::ftruncate(fd_, st.st_size) != 0 && errno == EINTR) {
                }
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool LogFile::Empty() {
    struct stat st {};
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 && st.st_size == 0;
}

bool LogFile::Commit() {
    if (fd_ < 0) return false;
    return ::fsync(fd_) == 0;
}

void LogFile::Close() {
    if (fd_ < 0) return;
    ::close(fd_);  // on Linux the descriptor is gone even when close reports EINTR
    fd_ = -1;
}

}  // namespace pelmor::posix
