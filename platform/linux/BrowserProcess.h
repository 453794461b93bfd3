// A browser started with its DevTools pipe on file descriptors 3 (what it
// reads) and 4 (what it writes), in a profile folder of its own, and never
// as root without its sandbox.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace pelmor::lnx {

// The user a browser runs as.
struct Account {
    uid_t uid;
    gid_t gid;
};

// Whom the browser runs as: Pelmor's own user (nullopt in `as`, ok) unless
// Pelmor runs as root; then the user who called it through sudo or pkexec
// (SUDO_UID, PKEXEC_UID), else "nobody". Not ok when Pelmor runs as root and
// there is no such user: the browser is then not started at all.
struct BrowserUser {
    bool ok;
    std::optional<Account> as;
};
BrowserUser ChooseBrowserUser();

// The browser's environment, made before the fork: Pelmor's; run as another
// user, with HOME set to home and without Pelmor's XDG_RUNTIME_DIR.
std::vector<std::string> BrowserEnvironment(const std::optional<Account>& as, const std::string& home);
// In the browser's process between the fork and the exec (system calls
// only): becomes `as` when given, or ends with 126; asks for SIGTERM when
// the thread that started it ends, and ends at once if `parent` already has.
void BecomeBrowser(const std::optional<Account>& as, pid_t parent);

// A started browser: its process and Pelmor's ends of the pipe (close on
// exec, non-blocking). pid is -1 when it could not be started.
struct PipedBrowser {
    pid_t pid = -1;
    int toBrowser = -1;
    int fromBrowser = -1;
};
// Starts program with args (argv[1] on), its standard streams on /dev/null,
// as `as` when given (with HOME set to `home`); it gets SIGTERM when the
// thread that started it (the GUI thread) ends, however Pelmor ends.
PipedBrowser StartPiped(const std::string& program, const std::vector<std::string>& args,
                        const std::optional<Account>& as, const std::string& home);

// A new profile folder in tmp, private to `as` (or Pelmor's user), named
// pelmor-browser-PID-XXXXXX after this process; empty on failure.
std::string MakeProfileFolder(const std::string& tmp, const std::optional<Account>& as);
// Removes the profile folders in tmp that earlier Pelmor processes, now
// gone, left behind (a Pelmor killed, or its machine stopped).
void RemoveStaleProfileFolders(const std::string& tmp);
// Removes a folder with all it holds.
void RemoveFolder(const std::string& path);

}  // namespace pelmor::lnx
