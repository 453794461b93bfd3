#include "platform/linux/BrowserProcess.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace pelmor::lnx {

namespace {

constexpr char kProfilePrefix[] = "pelmor-browser-";

// A user id from an environment variable, when it names one other than root.
std::optional<Account> FromEnvironment(const char* name) {
    const char* text = ::getenv(name);
    if (!text || !*text) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const unsigned long uid = std::strtoul(text, &end, 10);
    if (errno || *end || uid == 0) return std::nullopt;
    const passwd* pw = ::getpwuid(static_cast<uid_t>(uid));
    if (!pw) return std::nullopt;
    return Account{pw->pw_uid, pw->pw_gid};
}

void Close(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

int RemoveEntry(const char* path, const struct stat*, int, FTW*) {
    ::remove(path);
    return 0;
}

}  // namespace

BrowserUser ChooseBrowserUser() {
    if (::geteuid() != 0) return {true, std::nullopt};
    for (const char* name : {"SUDO_UID", "PKEXEC_UID"}) {
        if (std::optional<Account> a = FromEnvironment(name)) return {true, a};
    }
    const passwd* pw = ::getpwnam("nobody");
    if (pw && pw->pw_uid != 0) return {true, Account{pw->pw_uid, pw->pw_gid}};
    return {false, std::nullopt};
}

std::vector<std::string> BrowserEnvironment(const std::optional<Account>& as, const std::string& home) {
    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (!as || (entry.rfind("HOME=", 0) != 0 && entry.rfind("XDG_RUNTIME_DIR=", 0) != 0))
            envText.push_back(entry);
    }
    if (as) envText.push_back("HOME=" + home);
    return envText;
}

void BecomeBrowser(const std::optional<Account>& as, pid_t parent) {
    if (as && (::setgroups(1, &as->gid) != 0 || ::setgid(as->gid) != 0 || ::setuid(as->uid) != 0))
        ::_exit(126);
    // Set after the change of user, which clears it.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(0);
}

PipedBrowser StartPiped(const std::string& program, const std::vector<std::string>& args,
                        const std::optional<Account>& as, const std::string& home) {
    // Everything the child needs is made before the fork: after it, in a
    // program with threads, only system calls are safe.
    std::vector<std::string> envText = BrowserEnvironment(as, home);
    std::vector<char*> argv{const_cast<char*>(program.c_str())}, envp;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    for (std::string& e : envText) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    int in[2], out[2];  // in: Pelmor to the browser; out: back
    if (::pipe2(in, O_CLOEXEC) != 0) return {};
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]), ::close(in[1]);
        return {};
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Above 4 first, so that neither end is overwritten by the other.
        const int reads = ::fcntl(in[0], F_DUPFD, 10), writes = ::fcntl(out[1], F_DUPFD, 10);
        const int null = ::open("/dev/null", O_RDWR);
        if (reads < 0 || writes < 0 || null < 0 || ::dup2(reads, 3) != 3 || ::dup2(writes, 4) != 4)
            ::_exit(127);
        for (int fd = 0; fd < 3; ++fd) ::dup2(null, fd);
        ::syscall(SYS_close_range, 5u, ~0u, 0u);
        BecomeBrowser(as, parent);
        struct sigaction dfl {};
        dfl.sa_handler = SIG_DFL;
        ::sigaction(SIGPIPE, &dfl, nullptr);
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    PipedBrowser started{pid, in[1], out[0]};
    if (pid < 0) {
        Close(started.toBrowser), Close(started.fromBrowser);
        return {};
    }
    ::fcntl(started.toBrowser, F_SETFL, O_NONBLOCK);
    ::fcntl(started.fromBrowser, F_SETFL, O_NONBLOCK);
    // A browser gone between two pages is told of by EPIPE, not a signal.
    ::signal(SIGPIPE, SIG_IGN);
    return started;
}

std::string MakeProfileFolder(const std::string& tmp, const std::optional<Account>& as) {
    std::string name = tmp + "/" + kProfilePrefix + std::to_string(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(name.data())) return {};
    if (as && ::chown(name.c_str(), as->uid, as->gid) != 0) {
        ::rmdir(name.c_str());
        return {};
    }
    return name;
}

void RemoveStaleProfileFolders(const std::string& tmp) {
    DIR* dir = ::opendir(tmp.c_str());
    if (!dir) return;
    const std::size_t prefix = sizeof kProfilePrefix - 1;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.compare(0, prefix, kProfilePrefix) != 0) continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix, &end, 10);
        if (pid <= 0 || *end != '-' || pid == ::getpid()) continue;
        // A process of that number still there may be the Pelmor that made
        // it: the folder stays.
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        struct stat st {};
        const std::string path = tmp + "/" + name;
        // Pelmor's own: as root, those its browsers' users were given too.
        if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
            (st.st_uid != ::geteuid() && ::geteuid() != 0))
            continue;
        RemoveFolder(path);
    }
    ::closedir(dir);
}

void RemoveFolder(const std::string& path) {
    if (!path.empty()) ::nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace pelmor::lnx
