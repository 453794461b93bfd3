// posix::LogFile on real files: what ends up in the file, and that every
// failure is reported as one.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>

#include "fakes/Fakes.h"
#include "platform/posix/LogFile.h"

using namespace pelmor;
using fake::ReadFile;
using fake::TempDir;
using namespace std::string_literals;
namespace fs = std::filesystem;
using Result = ILogFile::OpenResult;

// The program's sequence for each line: open for appending, or create when
// missing; write; commit; close. Another program appends in between.
TEST(PosixLogFile, AppendsAndCreatesWithoutLosingAByte) {
    enum Place { None, File, Folder, ReadOnly, NoFolder, Pipe };
    struct Case {
        const char* name;
        Place place;
        Result open;
        std::optional<std::string> appended;  // the file afterwards; nullopt: none
        bool create;
        std::optional<std::string> created;
    } cases[] = {
        {"missing file", None, Result::Missing, std::nullopt, true, "C\r\n"},
        {"existing file", File, Result::Ok, "old\r\nother\r\nA\0\r\n"s, true,
         "old\r\nother\r\nA\0\r\nC\r\n"s},
        {"a folder in its place", Folder, Result::Failed, std::nullopt, false, std::nullopt},
        {"read-only file", ReadOnly, Result::Failed, "old\r\n", false, "old\r\n"},
        {"missing folder", NoFolder, Result::Missing, std::nullopt, false, std::nullopt},
        {"a pipe takes the lines but cannot commit them", Pipe, Result::Ok, std::nullopt, true,
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.place == ReadOnly && ::geteuid() == 0) continue;  // root may write it anyway
        TempDir tmp;
        const fs::path path = tmp.path / (c.place == NoFolder ? "no/pelmor.log" : "pelmor.log");
        if (c.place == Folder) fs::create_directory(path);
        if (c.place == File || c.place == ReadOnly) std::ofstream(path) << "old\r\n";
        if (c.place == ReadOnly) fs::permissions(path, fs::perms::owner_read);
        // A pipe needs a reader, or opening it to write would wait for one.
        const int reader = c.place == Pipe && ::mkfifo(path.c_str(), 0600) == 0
                               ? ::open(path.c_str(), O_RDONLY | O_NONBLOCK) : -1;
        posix::LogFile log;
        EXPECT_EQ(log.OpenAppend(path), c.open);
        if (c.open == Result::Ok) std::ofstream(path, std::ios::app) << "other\r\n";
        EXPECT_EQ(log.Write("A\0\r\n", 4), c.open == Result::Ok);
        log.Close();
        EXPECT_EQ(ReadFile(path), c.appended);
        EXPECT_EQ(log.Create(path), c.create);
        EXPECT_EQ(log.Write("C\r\n", 3), c.create);
        EXPECT_EQ(log.Commit(), c.create && c.place != Pipe);
        log.Close();
        EXPECT_EQ(ReadFile(path), c.created);
        const auto rw = fs::perms::owner_read | fs::perms::owner_write;
        EXPECT_TRUE(!c.create || (fs::status(path).permissions() & rw) == rw);
        if (reader >= 0) ::close(reader);
    }
}

// A file size limit stops the write part-way, as a full disk does.
TEST(PosixLogFile, AWriteCutShortIsUndoneSoNoTornLineStays) {
    TempDir tmp;
    const fs::path path = tmp.path / "pelmor.log";
    std::ofstream(path) << "      1,  90,  0\r\n";
    struct rlimit old {}, small {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    small = {18 + 10, old.rlim_max};
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    posix::LogFile log;
    const bool opened = log.OpenAppend(path) == Result::Ok;
    const bool written = log.Write("   1000,  89,  0\r\n", 18);
    log.Close();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(opened && !written);
    EXPECT_EQ(ReadFile(path), "      1,  90,  0\r\n");
}
