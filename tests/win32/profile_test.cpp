// The system's private-profile functions (win32::Profile) and the portable
// posix::Profile side by side on copies of the same files, hand-edited ones too.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/posix/Profile.h"
#include "platform/win32/Profile.h"

namespace pelmor {
namespace {

// GetString by default; I() GetInt, W() WriteString.
struct Op {
    std::string section, key, arg = {};  // arg: the default, or the value written
    long long n = 128;              // GetString's size, or GetInt's default
    char kind = 'g';
    bool differs = false;           // posix::Profile departs from the system here on purpose
};
Op I(std::string s, std::string k, int def) { return {s, k, "", def, 'i'}; }
Op W(std::string s, std::string k, std::string v, bool differs = false) { return {s, k, v, 0, 'w', differs}; }

struct Case {
    const char* name;
    const char* file;  // the file's bytes at first; nullptr: no file
    std::vector<Op> ops;
};

const std::vector<Case> kCases = [] {
    std::vector<Op> numbers, quotes;
    for (char key = 'a'; key <= 'z'; ++key) numbers.push_back(I("i", {key}, -1));
    for (char key = 'a'; key <= 'j'; ++key) quotes.push_back({"q", {key}});
    quotes.insert(quotes.end(), {{"q", "a", "", 3}, {"q", "a", "", 5}, {"q", "a", "", 4, 'g', true}});  // the system cuts one byte short
    return std::vector<Case>{
        {"names", "[setup]\r\niepath=C:\\IE.EXE\r\nreload=30\r\n",
         {{"SETUP", "IEPATH", "d"}, I("Setup", "RELOAD", 60), {"setup", "nokey", "dflt"}, {"nosec", "x", "dflt"},
          {" setup ", " iepath ", "d"}}},
        {"emptyvalue", "[log]\r\n0=87 0\r\n1=\r\n3=   \r\n",
         {{"log", "0"}, {"log", "1", "x"}, I("log", "1", -1), {"log", "3", "x"}, I("log", "3", 7)}},
        {"blanks", "[ sec ]\r\n  key  =  v a l  \r\n\tk2\t=\tv2\t\r\nk3=\x0bv3\x0b\r\n", {{"sec", "key"}, {"sec", "k2"}, {"sec", "k3"}}},
        {"quotes", "[q]\r\na=\"abc\"\r\nb='abc'\r\nc=\"abc\r\nd=abc\"\r\ne=\"a\"b\"\r\nf=\"\"\r\ng=\" x \"\r\nh=  \" y\"  \r\ni=\"\r\nj='a\"\r\n",
         quotes},
        {"numbers", "[i]\r\na=42\r\nb=-7\r\nc=+8\r\nd=12abc\r\ne=abc\r\nf=0x10g\r\ng=-0x10\r\nh=0X1F\r\ni=0x\r\nj=99999999999\r\n"
                    "k=-99999999999\r\nl=2147483648\r\nm=4294967295\r\nn=  -3  \r\no=010\r\np=+ 5\r\nq=\" +5\"\r\nr=\"\t7\"\r\n"
                    "s=\"\"\r\nt=\" \"\r\nu=-\r\nv=--5\r\nw=1e3\r\nx=12 34\r\ny='0x1a'\r\nz=\"5\r\n", numbers},
        {"cut", "[t]\r\nv=0123456789\r\nw=\x82\xA0\x82\xA2\x82\xA4\r\n",
         {{"t", "v", "", 0}, {"t", "v", "", 1}, {"t", "v", "", 5}, {"t", "v", "", 11}, {"t", "w", "", 7}, {"t", "w", "", 6},
          {"t", "w", "", 5}, {"t", "w", "", 4}, {"t", "w", "", 2}, {"t", "x", "abcdefgh", 4}, {"t", "x", "\x82\xA0\x82\xA2", 4}}},
        {"long", nullptr, {W("s", "k", std::string(10000, 'v')), {"s", "k", "", -1}, {"s", "k", "", 5000}}},
        {"duplicates", "[d]\r\nk=first\r\nk=second\r\nflag\r\nflag=1\r\n[e]\r\nx=1\r\n[D]\r\nk=third\r\nm=fromsecond\r\n",
         {{"d", "k"}, {"d", "m", "dflt"}, {"d", "flag", "dflt"}, W("d", "k", "new"), W("d", "m", "w"), {"d", "k"},
          {"d", "m", "dflt"}, {"e", "x"}}},
        {"lines", ";top\r\n[c]\r\n;k=commented\r\nk=v ; tail\r\nnoequals\r\n  [s1]  junk\r\na=1\r\n[s2]=x\r\nb=2\r\n[c2\r\nz=1\r\n",
         {{"c", "k"}, {"c", ";k"}, {"c", "noequals", "dflt"}, {"s1", "a", "dflt"}, {"s2", "b", "dflt"}, {"s2", "z", "dflt"},
          {"[c2", "z", "dflt"}, {"", ";top", "dflt"}}},
        {"leading", "top=1\r\n[s]\r\na=2\r\n", {{"", "top", "dflt"}, {"s", "top", "dflt"}, W("s", "a", "3"), {"s", "a"}, {"", "top"}}},
        {"create", nullptr, {{"setup", "iepath", "C:\\PROGRA~1\\IEXPLORE.EXE"}, I("setup", "reload", 60), {"log", "0", "", 256},
                             W("log", "0", "87 0"), W("log", "1", ""), W("log", "end", "1700000000"), {"log", "0"},
                             {"log", "1", "x"}, {"log", "2", "x"}, I("log", "end", -1)}},
        {"writtenblanks", nullptr, {W("s", "k", "  padded  "), {"s", "k"}, W("s", "q", "\"quoted\""), {"s", "q"}}},
        {"history", "; head\r\n[setup]\r\niepath=C:\\IE.EXE\r\n[log]\r\n0 = 80 1   \r\n1=79 0\r\n2=78 0\r\n3=77 0\r\n4=\r\n"
                    "endtime=1600000000\r\n\r\n[other]\r\nx=y\r\n",
         {W("log", "0", "70 0"), W("log", "1", "69 1"), W("log", "2", ""), W("log", "5", ""), W("log", "endtime", "1700000000"),
          {"log", "0"}, {"log", "2", "x"}, {"log", "3"}, {"log", "5", "x"}, I("log", "endtime", -1), {"setup", "iepath"}, {"other", "x"}}},
        // posix::Profile refuses what would forge entries of their own.
        {"refused", nullptr, {W("s", "v", "a\r\nb=c", true), {"s", "b", "dflt", 128, 'g', true}, W("s", "k=x", "v", true),
                              {"s", "k", "dflt", 128, 'g', true}}},
    };
}();

std::string Call(IProfile& profile, const Op& op, const std::string& path) {
    if (op.kind == 'i') return std::to_string(profile.GetInt(op.section, op.key, static_cast<int>(op.n), path));
    if (op.kind == 'w') return profile.WriteString(op.section, op.key, op.arg, path) ? "ok" : "failed";
    return profile.GetString(op.section, op.key, op.arg, static_cast<std::size_t>(op.n), path);
}

TEST(Profile, ReadsBackAsTheSystemDoes) {
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    for (const Case& c : kCases) {
        const std::string base = std::string(temp) + "pelmor-" + c.name, system = base + "-w32.ini", portable = base + "-ini.ini";
        for (const std::string& path : {system, portable}) {
            DeleteFileA(path.c_str());
            if (c.file) std::ofstream(path, std::ios::binary) << c.file;
        }
        win32::Profile w32;
        posix::Profile ini;
        for (std::size_t i = 0; i < c.ops.size(); ++i) {
            const Op& op = c.ops[i];
            const std::string want = Call(w32, op, system), got = Call(ini, op, portable);
            EXPECT_EQ(got == want, !op.differs) << c.name << " row " << i << " [" << op.section << "] " << op.key
                                                << ": " << got << (op.differs ? " should differ from " : " instead of ") << want;
        }
        DeleteFileA(system.c_str());
        DeleteFileA(portable.c_str());
    }
}

}  // namespace
}  // namespace pelmor
