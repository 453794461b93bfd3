// The measurement log through the C runtime's low-level file functions.
// Files are opened in binary mode (the lines already end in CR LF) and
// without a sharing restriction, so the log can be read while Pelmor runs.
// Not inherited: a browser started with its pipe ends inherited gets no
// handle to the log.
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/win32/LogFile.h"

namespace pelmor::win32 {

LogFile::~LogFile() { Close(); }

ILogFile::OpenResult LogFile::OpenAppend(const std::string& path) {
    Close();
    int fd = ::_sopen(path.c_str(), _O_WRONLY | _O_APPEND | _O_BINARY | _O_NOINHERIT, _SH_DENYNO);
    if (fd < 0) {
        // The runtime reports a missing file, and a missing folder, as ENOENT;
        // access denied, a sharing violation or a directory as EACCES.
        return errno == ENOENT ? OpenResult::Missing : OpenResult::Failed;
    }
    fd_ = fd;
    return OpenResult::Ok;
}

bool LogFile::Create(const std::string& path) {
    Close();
    // Never truncates, and appends: should another program have created the
    // file since the caller found it missing, its contents stay in front.
    int fd = ::_sopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                      _S_IREAD | _S_IWRITE);
    if (fd < 0) return false;
    fd_ = fd;
    return true;
}

bool LogFile::Write(const char* data, std::size_t size) {
    if (fd_ < 0) return false;
    // A write that stops part-way (a full disk takes the bytes that fit in
    // the file's last cluster, then refuses the rest) is undone: the file is
    // cut back to its length before the call, so it never ends in a torn line
    // that the next line would be glued to.
    const long before = ::_filelength(fd_);
    while (size > 0) {
        unsigned chunk = size > 0x10000000u ? 0x10000000u : static_cast<unsigned>(size);
        int n = ::_write(fd_, data, chunk);
        if (n <= 0) {
            if (before >= 0) ::_chsize(fd_, before);
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool LogFile::Empty() { return fd_ >= 0 && ::_filelength(fd_) == 0; }

bool LogFile::Commit() {
    if (fd_ < 0) return false;
    return ::_commit(fd_) == 0;
}

void LogFile::Close() {
    if (fd_ < 0) return;
    ::_close(fd_);
    fd_ = -1;
}

}  // namespace pelmor::win32
