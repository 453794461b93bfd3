// A small script language for private-profile operations, run against any
// IProfile: the Win32 functions in the check program, IniProfile in the unit
// tests. Both print the same lines for the same script, so their outputs can
// be compared line by line.
//
// One operation per line; tokens are separated by blanks, and a token in
// double quotes may hold blanks and the escapes \r \n \t \" \\ \xHH.
//   case NAME                 start a case on the fresh file NAME.ini
//   file "BYTES"              give the case's file exactly these bytes
//   get SECTION KEY DEF SIZE  GetString; prints the value read
//   int SECTION KEY DEF       GetInt; prints the number read
//   write SECTION KEY VALUE   WriteString; prints ok or failed
//   dump                      prints the file's bytes, on a line starting
//                             with '#' (not compared: Wine rewrites lines)
// Lines that are empty or start with '#' are skipped.
#pragma once

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Profile.h"

namespace pelmor::profilecheck {

// Bytes as a quoted token: printable ASCII as is, the rest escaped.
inline std::string Quote(std::string_view bytes) {
    std::string out = "\"";
    for (char ch : bytes) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += ch;
        }
    }
    out += '"';
    return out;
}

inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Splits a script line into tokens; quoted tokens are unescaped.
inline std::vector<std::string> Tokens(std::string_view line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        std::string token;
        if (line[i] == '"') {
            ++i;
            while (i < line.size() && line[i] != '"') {
                char c = line[i++];
                if (c != '\\' || i >= line.size()) {
                    token += c;
                    continue;
                }
                char e = line[i++];
                if (e == 'r') {
                    token += '\r';
                } else if (e == 'n') {
                    token += '\n';
                } else if (e == 't') {
                    token += '\t';
                } else if (e == 'x' && i + 1 < line.size() && HexDigit(line[i]) >= 0 &&
                           HexDigit(line[i + 1]) >= 0) {
                    token += static_cast<char>(HexDigit(line[i]) * 16 + HexDigit(line[i + 1]));
                    i += 2;
                } else {
                    token += e;
                }
            }
            ++i;  // closing quote
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') token += line[i++];
        }
        out.push_back(token);
    }
    return out;
}

// Runs the script with files in dir (joined to names with sep); returns the
// printed lines, each ended by '\n'.
inline std::string RunScript(std::string_view script, IProfile& profile, const std::string& dir,
                             char sep) {
    std::ostringstream out;
    std::string path;
    std::istringstream lines{std::string(script)};
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> t = Tokens(line);
        if (t.empty() || t[0][0] == '#') continue;
        const std::string& op = t[0];
        if (op == "case" && t.size() == 2) {
            path = dir + sep + t[1] + ".ini";
            std::remove(path.c_str());
            out << "case " << t[1] << "\n";
        } else if (op == "file" && t.size() == 2) {
            std::ofstream f(path, std::ios::binary | std::ios::trunc);
            f << t[1];
        } else if (op == "get" && t.size() == 5) {
            std::string v = profile.GetString(t[1], t[2], t[3],
                                              static_cast<std::size_t>(std::stoul(t[4])), path);
            out << "get " << Quote(t[1]) << " " << Quote(t[2]) << " -> " << Quote(v) << "\n";
        } else if (op == "int" && t.size() == 4) {
            int v = profile.GetInt(t[1], t[2], std::stoi(t[3]), path);
            out << "int " << Quote(t[1]) << " " << Quote(t[2]) << " -> " << v << "\n";
        } else if (op == "write" && t.size() == 4) {
            bool ok = profile.WriteString(t[1], t[2], t[3], path);
            out << "write " << Quote(t[1]) << " " << Quote(t[2]) << " -> "
                << (ok ? "ok" : "failed") << "\n";
        } else if (op == "dump") {
            std::ifstream f(path, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
            out << "# " << Quote(bytes) << "\n";
        } else {
            out << "bad line: " << line << "\n";
        }
    }
    return out.str();
}

}  // namespace pelmor::profilecheck
