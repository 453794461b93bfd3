// The system's private-profile functions (through win32::Profile) and the
// portable IniProfile, side by side on copies of the same files: each call
// must give the same on both, except on the rows where IniProfile departs
// from the system on purpose.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/posix/Profile.h"
#include "platform/win32/Services.h"

namespace pelmor {
namespace {

struct Op {
    char kind;  // 'g' GetString, 'i' GetInt, 'w' WriteString
    std::string section, key;
    std::string arg = {};  // the default, or the value written
    long long n = 128;    // GetString's size, or GetInt's default
    bool differs = false;
};

struct Case {
    const char* name;
    const char* file;  // the file's bytes at first; nullptr: no file
    std::vector<Op> ops;
};

std::vector<Case> Cases() {
    std::vector<Op> numbers;
    for (char key = 'a'; key <= 'z'; ++key) numbers.push_back({'i', "i", {key}, "", -1});
    return {
        {"missing", nullptr, {{'g', "setup", "iepath", "C:\\PROGRA~1\\IEXPLORE.EXE"}, {'i', "setup", "reload", "", 60},
                              {'g', "log", "0", "", 256}}},
        {"names", "[setup]\r\niepath=C:\\IE.EXE\r\nreload=30\r\n",
         {{'g', "SETUP", "IEPATH", "d"}, {'i', "Setup", "RELOAD", "", 60}, {'g', "setup", "nokey", "dflt"},
          {'g', "nosec", "x", "dflt"}, {'g', " setup ", " iepath ", "d"}}},
        {"emptyvalue", "[log]\r\n0=87 0\r\n1=\r\n3=   \r\n",
         {{'g', "log", "0"}, {'g', "log", "1", "x"}, {'i', "log", "1", "", -1}, {'g', "log", "3", "x"}, {'i', "log", "3", "", 7}}},
        {"blanks", "[ sec ]\r\n  key  =  v a l  \r\n\tk2\t=\tv2\t\r\nk3=\x0bv3\x0b\r\n",
         {{'g', "sec", "key"}, {'g', "sec", "k2"}, {'g', "sec", "k3"}}},
        {"quotes", "[q]\r\na=\"abc\"\r\nb='abc'\r\nc=\"abc\r\nd=abc\"\r\ne=\"a\"b\"\r\nf=\"\"\r\ng=\" x \"\r\nh=  \" y\"  \r\ni=\"\r\nj='a\"\r\n",
         {{'g', "q", "a"}, {'g', "q", "b"}, {'g', "q", "c"}, {'g', "q", "d"}, {'g', "q", "e"}, {'g', "q", "f"},
          {'g', "q", "g"}, {'g', "q", "h"}, {'g', "q", "i"}, {'g', "q", "j"}, {'g', "q", "a", "", 3}, {'g', "q", "a", "", 5},
          // The system cuts a quoted value that just fits one byte short.
          {'g', "q", "a", "", 4, true}}},
        {"numbers", "[i]\r\na=42\r\nb=-7\r\nc=+8\r\nd=12abc\r\ne=abc\r\nf=0x10\r\ng=-0x10\r\nh=0X1F\r\ni=0x\r\n"
                    "j=99999999999\r\nk=-99999999999\r\nl=2147483648\r\nm=4294967295\r\nn=  -3  \r\no=010\r\n"
                    "p=+ 5\r\nq=\" +5\"\r\nr=\"\t7\"\r\ns=\"\"\r\nt=\" \"\r\nu=-\r\nv=--5\r\nw=1e3\r\nx=12 34\r\n"
                    "y='0x1a'\r\nz=\"5\r\n", numbers},
        {"cut", "[t]\r\nv=0123456789\r\nw=\x82\xA0\x82\xA2\x82\xA4\r\n",
         {{'g', "t", "v", "", 0}, {'g', "t", "v", "", 1}, {'g', "t", "v", "", 5}, {'g', "t", "v", "", 11},
          {'g', "t", "w", "", 7}, {'g', "t", "w", "", 6}, {'g', "t", "w", "", 5}, {'g', "t", "w", "", 4},
          {'g', "t", "w", "", 2}, {'g', "t", "x", "abcdefgh", 4}, {'g', "t", "x", "\x82\xA0\x82\xA2", 4}}},
        {"long", nullptr, {{'w', "s", "k", std::string(10000, 'v')}, {'g', "s", "k", "", -1}, {'g', "s", "k", "", 5000}}},
        {"defaults", nullptr,
         {{'g', "s", "k", "  dflt  "}, {'g', "s", "k", "\tdflt\t"}, {'g', "s", "k", "\"q\"  "}, {'g', "s", "k", "  \"q\""},
          {'g', "s", "k", "\" a \""}, {'g', "s", "k", "'q'"}, {'g', "s", "k", "\"q"}}},
        {"duplicates", "[d]\r\nk=first\r\nk=second\r\nflag\r\nflag=1\r\n[e]\r\nx=1\r\n[D]\r\nk=third\r\nm=fromsecond\r\n",
         {{'g', "d", "k"}, {'g', "d", "m", "dflt"}, {'g', "d", "flag", "dflt"}, {'w', "d", "k", "new"}, {'w', "d", "m", "w"},
          {'g', "d", "k"}, {'g', "d", "m", "dflt"}, {'g', "e", "x"}}},
        {"lines", ";top comment\r\n[c]\r\n;k=commented\r\nk=v ; tail\r\nnoequals\r\n  [s1]  junk\r\na=1\r\n[s2]=x\r\nb=2\r\n[c2\r\nz=1\r\n",
         {{'g', "c", "k"}, {'g', "c", ";k"}, {'g', "c", "noequals", "dflt"}, {'g', "s1", "a", "dflt"},
          {'g', "s2", "b", "dflt"}, {'g', "s2", "z", "dflt"}, {'g', "[c2", "z", "dflt"}, {'g', "", "top", "dflt"}}},
        {"dbcsname", "[\x83\x5D]\r\nk=1\r\n", {{'g', "\x83\x5D", "k", "dflt"}, {'w', "\x83\x5D", "k2", "2"}, {'g', "\x83\x5D", "k2"}}},
        {"leading", "top=1\r\n[s]\r\na=2\r\n",
         {{'g', "", "top", "dflt"}, {'g', "s", "top", "dflt"}, {'w', "s", "a", "3"}, {'g', "s", "a"}, {'g', "", "top", "dflt"}}},
        {"create", nullptr,
         {{'w', "log", "0", "87 0"}, {'w', "log", "1", ""}, {'w', "log", "endtime", "1700000000"}, {'g', "log", "0"},
          {'g', "log", "1", "x"}, {'g', "log", "2", "x"}, {'i', "log", "endtime", "", -1}}},
        {"append", "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n",
         {{'w', "a", "z", "3"}, {'w', "c", "w", "4"}, {'w', "B", "Y", "5"}, {'g', "a", "x"}, {'g', "a", "z"}, {'g', "c", "w"}, {'g', "b", "y"}}},
        {"replace", "; head\r\n[log]\r\n0 = 5 1   \r\n1=6 0\r\n\r\n[other]\r\nx=y\r\n",
         {{'w', "log", "0", "7 0"}, {'w', "log", "2", ""}, {'g', "log", "0"}, {'g', "log", "1"}, {'g', "log", "2", "x"}, {'g', "other", "x"}}},
        {"lf", "[s]\na=1\nb=2\n", {{'w', "s", "a", "9"}, {'w', "s", "c", "3"}, {'g', "s", "a"}, {'g', "s", "b"}, {'g', "s", "c"}}},
        {"lastline", "[s]\r\na=1", {{'w', "s", "b", "2"}, {'g', "s", "a"}, {'g', "s", "b"}}},
        {"noequals", "[s]\r\nflag\r\nk=1\r\n", {{'w', "s", "flag", "on"}, {'g', "s", "flag", "dflt"}, {'g', "s", "k"}}},
        {"writtenblanks", nullptr, {{'w', "s", "k", "  padded  "}, {'g', "s", "k"}, {'w', "s", "q", "\"quoted\""}, {'g', "s", "q"}}},
        {"history", "[setup]\r\niepath=C:\\IE.EXE\r\n[log]\r\n0=80 1\r\n1=79 0\r\n2=78 0\r\n3=77 0\r\n4=\r\nendtime=1600000000\r\n",
         {{'w', "log", "0", "70 0"}, {'w', "log", "1", "69 1"}, {'w', "log", "2", ""}, {'w', "log", "endtime", "1700000000"},
          {'g', "log", "0"}, {'g', "log", "2", "x"}, {'g', "log", "3"}, {'i', "log", "endtime", "", -1}, {'g', "setup", "iepath"}}},
        // IniProfile refuses what would forge entries of its own.
        {"refused", nullptr,
         {{'w', "s", "v", "a\r\nb=c", 0, true}, {'g', "s", "b", "dflt", 128, true},
          {'w', "s", "k=x", "v", 0, true}, {'g', "s", "k", "dflt", 128, true}}},
    };
}

std::string Call(IProfile& profile, const Op& op, const std::string& path) {
    if (op.kind == 'g')
        return profile.GetString(op.section, op.key, op.arg, static_cast<std::size_t>(op.n), path);
    if (op.kind == 'i') return std::to_string(profile.GetInt(op.section, op.key, static_cast<int>(op.n), path));
    return profile.WriteString(op.section, op.key, op.arg, path) ? "ok" : "failed";
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class SameAsSystem : public ::testing::TestWithParam<Case> {};

TEST_P(SameAsSystem, ReadsBackAlike) {
    const Case& c = GetParam();
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string base = std::string(temp) + "pelmor-" + std::to_string(GetCurrentProcessId()) + "-" + c.name;
    const std::string system = base + "-w32.ini", portable = base + "-ini.ini";
    for (const std::string& path : {system, portable}) {
        DeleteFileA(path.c_str());
        if (c.file) std::ofstream(path, std::ios::binary) << c.file;
    }
    win32::Profile w32;
    IniProfile ini;
    for (std::size_t i = 0; i < c.ops.size(); ++i) {
        const Op& op = c.ops[i];
        std::string want = Call(w32, op, system), got = Call(ini, op, portable);
        if (op.differs)
            EXPECT_NE(got, want) << "row " << i << " [" << op.section << "] " << op.key << " should differ";
        else
            EXPECT_EQ(got, want) << "row " << i << " [" << op.section << "] " << op.key;
    }
    DeleteFileA(system.c_str());
    DeleteFileA(portable.c_str());
}

INSTANTIATE_TEST_SUITE_P(Profile, SameAsSystem, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelmor
