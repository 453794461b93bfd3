// Append-only access to the measurement log. Bytes are written unchanged
// (the caller has already turned line feeds into CR LF).
#pragma once

#include <cstddef>
#include <string>

namespace pelmor {

class ILogFile {
public:
    enum class OpenResult { Ok, Missing, Failed };
    virtual ~ILogFile() = default;
    // Opens an existing file for appending; never creates it.
    virtual OpenResult OpenAppend(const std::string& path) = 0;
    // Creates the file (read and write permission) and opens it for writing.
    virtual bool Create(const std::string& path) = 0;
    // Writes all bytes at the end of the open file; false on a failed or short write.
    virtual bool Write(const char* data, std::size_t size) = 0;
    // True when the open file holds no bytes.
    virtual bool Empty() = 0;
    // Commits what was written to stable storage; false on failure.
    virtual bool Commit() = 0;
    virtual void Close() = 0;
};

}  // namespace pelmor
