// posix::Profile on real files: a write changes only the bytes it has to. (What
// it reads back is compared with the system's own functions under Wine.)
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "fakes/Fakes.h"
#include "platform/posix/Profile.h"

using namespace pelmor;
using fake::ReadFile;
using fake::TempDir;
namespace fs = std::filesystem;

// One write each, and the file's bytes afterwards (nullptr: no file).
TEST(PosixProfile, AWriteChangesOnlyItsValue) {
    TempDir tmp;
    posix::Profile ini;
    fs::create_directory(tmp.path / "folder.ini");
    const char* s = "[s]\r\na=1\r\n";
    struct Case {
        const char* name;
        const char* before;
        std::string section, key, value;
        bool ok;
        const char* after;
        const char* file = "p.ini";
    } cases[] = {
        {"replace: names without case or blanks; blanks before the value stay",
         "; c\r\n[set]\r\n ie = C:\\IE  \r\nre=6\r\n\r\n[log]\n", " SET ", "IE", "D:\\B", true,
         "; c\r\n[set]\r\n ie = D:\\B\r\nre=6\r\n\r\n[log]\n"},
        {"replace with empty; LF stays", "[l]\n0=8\n1=7\n", "l", "0", "", true, "[l]\n0=\n1=7\n"},
        {"only the first of a key", "[d]\nk=a\nk=b\n", "D", "K", "c", true, "[d]\nk=c\nk=b\n"},
        {"a key without '=' gains one", "[s]\nf \nk=1\n", "s", "f", "1", true, "[s]\nf=1\nk=1\n"},
        {"new key after the section's last line", "[a]\nx=5\n\n[b]\r\ny=1", "a", "z", "2", true,
         "[a]\nx=5\nz=2\r\n\n[b]\r\ny=1"},
        {"new key after a last line without line end", "[b]\r\ny=1", "b", "z", "2", true,
         "[b]\r\ny=1\r\nz=2\r\n"},
        {"new section last, after a file of 1 byte", "x", "l", "0", "8", true, "x\r\n[l]\r\n0=8\r\n"},
        {"new file; double-byte name with 0x5D ']'", nullptr, "\x83\x5D", "k", "\x8C\x76", true,
         "[\x83\x5D]\r\nk=\x8C\x76\r\n"},
        {"0x8341 and 0x8361 differ", "[s]\r\n\x83\x41=1\r\n", "s", "\x83\x61", "2", true,
         "[s]\r\n\x83\x41=1\r\n\x83\x61=2\r\n"},
        {"refused: line break in the value", s, "s", "a", "2\r\nb=3", false, s},
        {"refused: NUL in the value", s, "s", "a", std::string("2\0b", 3), false, s},
        {"refused: line break in the section", s, "s\n", "a", "2", false, s},
        {"refused: line break in the key", s, "s", "a\r", "2", false, s},
        {"refused: '=' in the key", s, "s", "a=x", "v", false, s},
        {"refused: key opening a section", s, "s", "[t]", "v", false, s},
        {"refused: ']' in the section", s, "s]x", "k", "v", false, s},
        {"refused: empty key", s, "s", " ", "v", false, s},
        {"refused: empty section", s, " ", "a", "v", false, s},
        {"a folder in its place", nullptr, "s", "a", "v", false, nullptr, "folder.ini"},
        {"a missing folder", nullptr, "s", "a", "v", false, nullptr, "no/p.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = (tmp.path / c.file).string();
        if (c.before) std::ofstream(path, std::ios::binary) << c.before;
        EXPECT_EQ(ini.WriteString(c.section, c.key, c.value, path), c.ok);
        EXPECT_EQ(ReadFile(path), c.after ? std::optional<std::string>(c.after) : std::nullopt);
        if (c.ok) { EXPECT_EQ(ini.GetString(c.section, c.key, "", 128, path), c.value); }
        fs::remove(path);
    }
}

// A kill at any moment of a write leaves the old file or the new one, and a
// write that changes nothing leaves the file as it is.
TEST(PosixProfile, AKillDuringAWriteLeavesTheOldFileOrTheNew) {
    TempDir tmp;
    const std::string path = (tmp.path / "p.ini").string();
    const auto file = [](char c) { return "[s]\r\nk=" + std::string(4000, c) + "\r\n"; };
    std::ofstream(path, std::ios::binary) << file('a');
    for (int i = 0; i < 100; ++i) {
        const pid_t child = fork();
        if (child == 0) {
            posix::Profile ini;
            for (int n = 0;; ++n) ini.WriteString("s", "k", std::string(4000, n % 2 ? 'a' : 'b'), path);
        }
        usleep(static_cast<useconds_t>(300 + i * 97 % 1500));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::optional<std::string> now = ReadFile(path);
        ASSERT_TRUE(now == file('a') || now == file('b')) << "kill " << i << ": " << (now ? now->size() : 0) << " bytes";
    }
    // The permissions stay; nothing is left beside the file; an unchanged
    // value is not written again.
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    posix::Profile ini;
    EXPECT_TRUE(ini.WriteString("s", "k", "c", path));
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path), fs::directory_iterator()), 1);
    const auto written = fs::last_write_time(path);
    fs::last_write_time(path, written - std::chrono::hours(1));
    EXPECT_TRUE(ini.WriteString("S", "K", "c", path));
    EXPECT_EQ(fs::last_write_time(path), written - std::chrono::hours(1));
}
