// The Win32 services against the system they wrap, where the Wine scenarios
// cannot look: the log's opening rules and sharing, the code page tables, the
// clock's layout, the version record and the foreground-lock setting.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/Codepage.h"
#include "platform/win32/Api.h"
#include "platform/win32/Clock.h"
#include "platform/win32/LogFile.h"

namespace pelmor {
namespace {

TEST(LogFile, OpensOnlyAFileThatIsThereAndFreeAndCreateNeverTruncates) {
    using Open = ILogFile::OpenResult;
    const std::filesystem::path root = std::filesystem::temp_directory_path() / "pelmor-log";
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "folder.log");
    const std::string dir = root.string();
    CreateDirectoryA((dir + "\\\x95\x5C\x8E\xA6").c_str(), nullptr);  // "表示": a trail byte 0x5C
    std::ofstream(dir + "\\held.log") << "x";
    HANDLE held = CreateFileA((dir + "\\held.log").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const struct { const char* path; Open open; bool create; } rows[] = {
        {"\\none.log", Open::Missing, true}, {"\\no\\such.log", Open::Missing, false}, {"\\folder.log", Open::Failed, false},
        {"\\held.log", Open::Failed, false}, {"\\\x95\x5C\x8E\xA6\\p.log", Open::Missing, true}};
    for (const auto& row : rows) {
        win32::LogFile log;
        EXPECT_EQ(log.OpenAppend(dir + row.path), row.open) << row.path;
        EXPECT_EQ(log.Create(dir + row.path), row.create) << row.path;
    }
    CloseHandle(held);
    // Another program may have made the log since it was found missing.
    std::ofstream(dir + "\\p.log", std::ios::binary) << "earlier\r\n";
    win32::LogFile log;
    ASSERT_TRUE(log.Create(dir + "\\p.log"));
    EXPECT_TRUE(log.Write("  1, 87, 0\r\n", 12) && log.Commit());
    std::ifstream in(dir + "\\p.log", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "earlier\r\n  1, 87, 0\r\n") << "read while it is open";
}

TEST(Codepage, ConvertsThroughTheSystemTables) {
    const std::string fffd = "\xEF\xBF\xBD";
    const struct {
        std::string utf8, cp932;
        char way;  // 'b' both ways, 't' to code page 932 only, 'f' from it only
    } rows[] = {
        {"電池駆動ﾛｸﾞ保存。", "\x93\x64\x92\x72\x8B\xEC\x93\xAE\xDB\xB8\xDE\x95\xDB\x91\xB6\x81\x42", 'b'},
        {"\xE3\x80\x80ＡＣ～", "\x81\x40\x82\x60\x82\x62\x81\x60", 'b'},  // the Windows table's tilde
        {"A한B café x\xFFy", "A?B caf? x?y", 't'},
        {fffd + "\nA" + fffd + "A" + "ab" + fffd, "\x81\nA\x85\x40" "Aab\x93", 'f'},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.way == 'f' ? row.cp932 : Utf8ToCp932(row.utf8), row.cp932) << row.utf8;
        EXPECT_EQ(row.way == 't' ? row.utf8 : Cp932ToUtf8(row.cp932), row.utf8) << row.utf8;
    }
}

TEST(Clock, GivesTheSystemsLocalTimeInCtimesLayout) {
    win32::Clock clock;
    std::string got, want;
    for (int i = 0; i < 3 && (i == 0 || got != want); ++i) {  // a minute may turn meanwhile
        SYSTEMTIME st;
        GetLocalTime(&st);
        char buf[16];
        std::snprintf(buf, sizeof buf, "%02u:%02u %u", st.wHour, st.wMinute, st.wMinute);
        want = buf;
        const std::string text = clock.CTime(clock.Now());
        got = text.substr(std::min<std::size_t>(11, text.size()), 5) + " " + std::to_string(clock.LocalMinute());
    }
    EXPECT_EQ(got, want) << "hh:mm of ctime and the local minute";
    // 2003-01-06 12:00 UTC: the day, right-aligned, is 5, 6 or 7 in every zone.
    const std::string jan = clock.CTime(1041854400);
    EXPECT_EQ(jan.substr(3, 6) + jan.substr(13, 1) + jan.substr(16, 1) + jan.substr(19), " Jan  :: 2003\n") << jan;
    EXPECT_EQ(clock.CTime(-1), "");
}

// Windows 7 needs no lifting of the foreground lock; the older families
// lift it and put it back through the system's setting.
TEST(Foreground, TheVersionRecordAndTheLockTimeoutRoundTrip) {
    win32::IApi& api = win32::SystemApi();
    win32::OsVersion v;
    ASSERT_TRUE(api.GetVersionExA(148, v));
    EXPECT_EQ(v.platformId * 100 + v.major * 10 + v.minor, 261u) << "Windows NT 6.1";
    EXPECT_FALSE(api.GetVersionExA(4096, v)) << "a record larger than the system's";
    std::uint32_t saved = 0, now = 0;
    ASSERT_TRUE(api.GetForegroundLockTimeout(saved));
    for (std::uint32_t value : {saved + 12345, saved}) {
        EXPECT_TRUE(api.SetForegroundLockTimeout(value) && api.GetForegroundLockTimeout(now));
        EXPECT_EQ(now, value);
    }
}

}  // namespace
}  // namespace pelmor
