// Private-profile (INI) files on real files, read and written the way the
// Windows functions do, for builds that do not run on Windows.
//
// Reading:
// - Section and key names compare without regard to case (ASCII letters;
//   double-byte code page 932 characters compare byte for byte) and without
//   the blanks around them. Lines before the first section header belong to
//   the nameless section "".
// - A section header is a line whose first non-blank character is '[' and
//   that holds a ']'; text after the ']' is ignored. Every other non-blank
//   line is an entry: the key up to the first '=', the value after it. A
//   line without '=' is a key without a value. There are no comment lines:
//   ";x=1" is the key ";x".
// - Only the first section of a name and the first entry of a key count.
// - A value loses its surrounding blanks, then one pair of matching quotes
//   ('"' or '\'') around it.
// - GetString: the value, "" for a key with an empty value, the default for
//   a missing key or a key without '=' (the default loses its trailing
//   spaces and then a pair of matching quotes). The result is cut to at most
//   size - 1 bytes, never inside a double-byte character.
// - GetInt: the default when the key is missing or its value is empty;
//   otherwise the number at the start of the value: blanks skipped, an
//   optional sign, then "0x" and hexadecimal digits or else decimal digits;
//   no digits give 0; digits past 32 bits wrap around.
//
// Writing:
// - Creates the file and the section when needed. A new section goes at the
//   end of the file; a new key after the last non-blank line of its section.
// - An existing value is replaced in place: the key, the '=' and the blanks
//   after it, the line ending and every other byte of the file stay as they
//   were. A key without '=' gains "=value".
// - New lines end in CR LF; the value is written as given.
// - A name or value that would break the line structure (a line break or a
//   NUL byte anywhere, a ']' in the section name, a '=' in the key, a key
//   starting with '[', an empty name) is refused: false, file unchanged.
// - Every change replaces the file whole (a new file synced, then renamed
//   over the old one): a kill at any moment leaves the old file or the new
//   one. A write that changes nothing leaves the file alone.
// - false also when the file cannot be read or written.
#pragma once

#include "platform/Profile.h"

namespace pelmor::posix {

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

}  // namespace pelmor::posix
