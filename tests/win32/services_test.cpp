// The Win32 services against the system they wrap: the runtime's files and
// clock, the code page tables, the power status, the version and
// foreground-lock settings, the named mutex.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/Codepage.h"
#include "platform/win32/Services.h"

namespace pelmor {
namespace {

using Open = ILogFile::OpenResult;

// A fresh folder of that name in the temporary folder.
std::string TempDir(const char* name) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / (std::string("pelmor-") + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directory(dir);
    return dir.string();
}

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

TEST(LogFile, AppendsToWhatTheFileHolds) {
    const std::string path = TempDir("log") + "\\pelmor.log";
    win32::LogFile log;
    const std::string header = "\r\n' Mon Jan  6 10:00:00 2003\r\n' \x83\x65\x83\x58\x83\x67\r\n", line = "  125, 87, 0\r\n";
    ASSERT_TRUE(log.Create(path));
    EXPECT_TRUE(log.Write(header.data(), header.size()));
    EXPECT_TRUE(log.Commit());
    log.Close();
    ASSERT_EQ(log.OpenAppend(path), Open::Ok);
    EXPECT_TRUE(log.Write(line.data(), line.size()));
    EXPECT_EQ(ReadAll(path), header + line) << "others read the log while it is open";
    ASSERT_TRUE(log.Create(path)) << "on a file that exists";
    EXPECT_TRUE(log.Write("end\r\n", 5));
    log.Close();
    EXPECT_EQ(ReadAll(path), header + line + "end\r\n");
}

TEST(LogFile, OpensOnlyAFileThatIsThereAndFree) {
    const std::string dir = TempDir("open");
    CreateDirectoryA((dir + "\\folder.log").c_str(), nullptr);
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
}

TEST(Codepage, ConvertsThroughTheSystemTables) {
    const std::string fffd = "\xEF\xBF\xBD";
    const struct {
        std::string utf8, cp932;
        char way;  // 'b' both ways, 't' to code page 932 only, 'f' from it only
    } rows[] = {
        {"電池駆動", "\x93\x64\x92\x72\x8B\xEC\x93\xAE", 'b'},
        {"ﾛｸﾞ保存。", "\xDB\xB8\xDE\x95\xDB\x91\xB6\x81\x42", 'b'},
        {"\xE3\x80\x80ＡＣ～", "\x81\x40\x82\x60\x82\x62\x81\x60", 'b'},  // the Windows table's tilde
        {"A한B café", "A?B caf?", 't'},
        {"x\xFFy", "x?y", 't'},
        {"ab" + fffd, "ab\x93", 'f'},
        {fffd + "\nA", "\x81\nA", 'f'},
        {fffd + "A", "\x85\x40" "A", 'f'},
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
    ASSERT_EQ(jan.size(), 25u) << jan;
    EXPECT_EQ(jan.substr(3, 6), " Jan  ");
    EXPECT_EQ(jan.substr(13, 1) + jan.substr(16, 1) + jan.substr(19), ":: 2003\n");
    EXPECT_EQ(clock.CTime(-1), "");
}

TEST(Power, AReadingsLevelIsAPercentOrUnknown) {
    PowerReading reading;
    reading.level = -1;
    ASSERT_TRUE(win32::Power(win32::SystemApi()).Read(reading));
    EXPECT_TRUE(!reading.level || (*reading.level >= 0 && *reading.level <= 100)) << *reading.level;
}

TEST(Foreground, AWindows7IdentityNeedsNoLiftingAndTheTimeoutRoundTrips) {
    win32::IApi& api = win32::SystemApi();
    win32::OsVersion v;
    ASSERT_TRUE(api.GetVersionExA(148, v));
    EXPECT_EQ(v.platformId * 100 + v.major * 10 + v.minor, 261u) << "Windows NT 6.1";
    EXPECT_FALSE(api.GetVersionExA(4096, v)) << "a record larger than the system's";
    win32::Foreground foreground(api);
    foreground.OsKind = -1;
    foreground.Prepare();
    EXPECT_EQ(foreground.OsKind, 0);

    std::uint32_t saved = 0, now = 0;
    ASSERT_TRUE(api.GetForegroundLockTimeout(saved));
    for (std::uint32_t value : {saved + 12345, saved}) {
        EXPECT_TRUE(api.SetForegroundLockTimeout(value));
        EXPECT_TRUE(api.GetForegroundLockTimeout(now));
        EXPECT_EQ(now, value);
    }
}

TEST(Instance, ASecondCopyRunsLikeTheFirstAndReleaseGivesTheMutexUp) {
    win32::Instance first(win32::SystemApi()), second(win32::SystemApi());
    ASSERT_TRUE(first.Acquire());
    EXPECT_TRUE(second.Acquire());
    first.Release();
    second.Release();
    HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "ravoshu-pelmor");
    ASSERT_NE(mutex, nullptr);
    EXPECT_FALSE(ReleaseMutex(mutex)) << "this thread still owns it";
    CloseHandle(mutex);
}

}  // namespace
}  // namespace pelmor
