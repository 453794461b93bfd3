// Where the Linux program keeps its files: beside itself when it may write
// there, else in the user's data folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "fakes/Fakes.h"
#include "platform/linux/DataFolder.h"
#include "platform/posix/ShortPath.h"

using pelmor::lnx::ProgramPlace;

TEST(ProgramPath, BesideTheProgramOrInTheDataFolder) {
    const struct {
        const char* name;
        ProgramPlace place;
        const char* path;
    } rows[] = {
        {"writable folder", {"/home/u/pelmor/pelmor", true, "/d", "/home/u"}, "/home/u/pelmor/pelmor"},
        {"read-only folder, XDG set", {"/opt/p/pelmor", false, "/d/", "/home/u"}, "/d/pelmor/pelmor"},
        {"XDG unset", {"/opt/p/pelmor", false, "", "/home/u"}, "/home/u/.local/share/pelmor/pelmor"},
        {"XDG relative is ignored", {"/opt/p/pelmor", false, "data", "/home/u/"}, "/home/u/.local/share/pelmor/pelmor"},
        {"the system's folder, even writable", {"/usr/bin/pelmor", true, "", "/root"}, "/root/.local/share/pelmor/pelmor"},
        {"a folder only named like it", {"/usrx/pelmor", true, "", "/root"}, "/usrx/pelmor"},
        {"no data folder to be had", {"/usr/bin/pelmor", false, "", ""}, "/usr/bin/pelmor"},
    };
    for (const auto& r : rows) EXPECT_EQ(pelmor::lnx::ProgramPath(r.place), r.path) << r.name;
}

TEST(ProgramPath, TheDataFolderIsCreatedPrivate) {
    const pelmor::fake::TempDir tmp;
    const std::string data = tmp.path.string() + "/a/b";
    EXPECT_EQ(pelmor::lnx::PrepareProgramPath({"/usr/bin/pelmor", false, data, "/nonexistent"}),
              data + "/pelmor/pelmor");
    struct stat st {};
    ASSERT_EQ(::stat((data + "/pelmor").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

// An existing path is its own short name while it fits 127 bytes.
TEST(ShortPath, AnExistingPathOfAtMost127Bytes) {
    const pelmor::fake::TempDir tmp;
    const std::string dir = tmp.path.string() + "/";
    for (std::size_t n : {127u, 128u}) std::ofstream(dir + std::string(n - dir.size(), 'x'));
    const std::pair<std::string, std::string> rows[] = {
        {dir + std::string(127 - dir.size(), 'x'), dir + std::string(127 - dir.size(), 'x')},
        {dir + std::string(128 - dir.size(), 'x'), ""}, {dir + "missing", ""}};
    for (const auto& [path, name] : rows) EXPECT_EQ(pelmor::posix::PathNames().ShortPathName(path), name);
}
