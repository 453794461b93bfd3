#include "platform/FileIdentity.h"

#include <io.h>
#include <windows.h>

namespace pelmor {

namespace {

// The volume's serial number and the file's index: one file, however it is
// named. Windows 95 has them too (on FAT the index is the file's first
// cluster, the same for every name of it).
bool Identity(HANDLE file, BY_HANDLE_FILE_INFORMATION& info) {
    return file != INVALID_HANDLE_VALUE && GetFileType(file) == FILE_TYPE_DISK &&
           GetFileInformationByHandle(file, &info);
}

bool IdentityOf(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool ok = Identity(file, info);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return ok;
}

bool Same(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    return IdentityOf(a, ia) && IdentityOf(b, ib) && Same(ia, ib);
}

bool SameFile(int fd, const std::string& path) {
    BY_HANDLE_FILE_INFORMATION ia, ib;
    return Identity(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), ia) && IdentityOf(path, ib) && Same(ia, ib);
}

}  // namespace pelmor
