#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/posix/LogFile.h"

namespace pelmor {
namespace {

namespace fs = std::filesystem;
using Result = ILogFile::OpenResult;

class PosixLogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "pelmor-log-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Put(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    fs::path dir_;
};

TEST_F(PosixLogFileTest, MissingFileIsReportedAndNotCreated) {
    PosixLogFile log;
    EXPECT_EQ(log.OpenAppend(Path("pelmor.log")), Result::Missing);
    EXPECT_FALSE(fs::exists(Path("pelmor.log")));
    EXPECT_FALSE(log.Write("x", 1)) << "nothing is open after a failed open";

    // A missing folder reads as a missing file too; creating then fails.
    std::string inMissingDir = (dir_ / "no-such-dir" / "pelmor.log").string();
    EXPECT_EQ(log.OpenAppend(inMissingDir), Result::Missing);
    EXPECT_FALSE(log.Create(inMissingDir));
}

TEST_F(PosixLogFileTest, CreateThenAppendKeepsEveryByteInOrder) {
    const std::string path = Path("pelmor.log");
    PosixLogFile log;
    ASSERT_TRUE(log.Create(path));
    const std::string header = "\r\n' Mon Jan  6 10:00:00 2003\r\n' \x83\x65\x83\x58\x83\x67\r\n";
    EXPECT_TRUE(log.Write(header.data(), header.size()));
    EXPECT_TRUE(log.Commit());
    log.Close();

    ASSERT_EQ(log.OpenAppend(path), Result::Ok);
    const std::string sample = "    125,  87,  0\r\n";
    EXPECT_TRUE(log.Write(sample.data(), sample.size()));
    const char zero[] = {'a', '\0', 'b'};
    EXPECT_TRUE(log.Write(zero, sizeof zero));
    EXPECT_TRUE(log.Write("", 0));
    log.Close();

    EXPECT_EQ(Read(path), header + sample + std::string(zero, sizeof zero));

    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0600, 0600u) << "the owner may read and write the new file";
}

TEST_F(PosixLogFileTest, AppendGoesToTheEndEvenWhenTheFileGrewMeanwhile) {
    const std::string path = Path("pelmor.log");
    Put(path, "old line\r\n");
    PosixLogFile log;
    ASSERT_EQ(log.OpenAppend(path), Result::Ok);
    std::ofstream(path, std::ios::binary | std::ios::app) << "other writer\r\n";
    EXPECT_TRUE(log.Write("new\r\n", 5));
    log.Close();
    EXPECT_EQ(Read(path), "old line\r\nother writer\r\nnew\r\n");
}

TEST_F(PosixLogFileTest, CreateNeverShortensAFileThatAppearedMeanwhile) {
    const std::string path = Path("pelmor.log");
    PosixLogFile log;
    ASSERT_EQ(log.OpenAppend(path), Result::Missing);
    Put(path, "written by someone else\r\n");
    ASSERT_TRUE(log.Create(path));
    EXPECT_TRUE(log.Write("mine\r\n", 6));
    log.Close();
    EXPECT_EQ(Read(path), "written by someone else\r\nmine\r\n");
}

TEST_F(PosixLogFileTest, ADirectoryInTheLogsPlaceFailsForAnyUser) {
    PosixLogFile log;
    fs::create_directory(Path("pelmor.log"));
    EXPECT_EQ(log.OpenAppend(Path("pelmor.log")), Result::Failed);
    EXPECT_FALSE(log.Write("x", 1));
    EXPECT_FALSE(log.Commit());
    EXPECT_FALSE(log.Create(Path("pelmor.log")));
    EXPECT_TRUE(fs::is_directory(Path("pelmor.log")));
}

TEST_F(PosixLogFileTest, AReadOnlyFileFailsAndStaysAsItWas) {
    // The superuser writes such a file anyway, so the check only means
    // something for other users.
    PosixLogFile log;
    const std::string ro = Path("readonly.log");
    Put(ro, "kept\r\n");
    ASSERT_EQ(::chmod(ro.c_str(), 0444), 0);
    if (::geteuid() == 0) {
        GTEST_SKIP() << "running as root: permission bits do not stop writes";
    }
    EXPECT_EQ(log.OpenAppend(ro), Result::Failed);
    EXPECT_EQ(Read(ro), "kept\r\n");
}

TEST_F(PosixLogFileTest, AFullDeviceMakesTheWriteFail) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    PosixLogFile log;
    ASSERT_EQ(log.OpenAppend("/dev/full"), Result::Ok);
    EXPECT_FALSE(log.Write("    125,  87,  0\r\n", 18));
}

TEST_F(PosixLogFileTest, AWriteCutShortIsUndoneSoNoTornLineStays) {
    // A file size limit makes the write stop part-way, as a full disk does.
    const std::string path = Path("pelmor.log");
    Put(path, "      1,  90,  0\r\n");
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 18 + 10;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    PosixLogFile log;
    ASSERT_EQ(log.OpenAppend(path), Result::Ok);
    const bool written = log.Write("   1000,  89,  0\r\n", 18);
    log.Close();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(Read(path), "      1,  90,  0\r\n");
}

TEST_F(PosixLogFileTest, CloseIsSafeToRepeatAndReopeningReleasesTheOldFile) {
    auto openFiles = [] {
        std::size_t n = 0;
        for ([[maybe_unused]] auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
        return n;
    };
    const std::size_t before = openFiles();
    PosixLogFile log;
    log.Close();
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(log.Create(Path("a.log")));
        ASSERT_EQ(log.OpenAppend(Path("a.log")), Result::Ok);
    }
    ASSERT_TRUE(log.Create(Path("b.log")));
    EXPECT_EQ(openFiles(), before + 1) << "each open closes the file opened before";
    EXPECT_TRUE(log.Write("b", 1));
    log.Close();
    log.Close();
    EXPECT_FALSE(log.Write("x", 1));
    EXPECT_EQ(Read(Path("a.log")), "");
    EXPECT_EQ(Read(Path("b.log")), "b");
}

}  // namespace
}  // namespace pelmor
