#include "platform/qt/Browser.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <utility>

#include "platform/Codepage.h"
#include "platform/DevTools.h"
#include "platform/linux/BrowserProcess.h"
#include "platform/linux/BrowserProgram.h"

namespace pelmor::qt {

namespace {

// How long a browser just started has to answer (over its pipe) or to tell
// its remote-control endpoint (over the network), and how long the
// connection and each command have to be answered.
constexpr int kStartMs = 5000;
constexpr int kAnswerMs = 2000;
// How long a browser asked to close, then told to end, has before the next
// step.
constexpr int kEndMs = 2000;

QStringList FirefoxArguments(const QString& profile) {
    QFile prefs(profile + "/user.js");
    if (prefs.open(QIODevice::WriteOnly)) {
        prefs.write(
            "user_pref(\"browser.shell.checkDefaultBrowser\", false);\n"
            "user_pref(\"browser.aboutwelcome.enabled\", false);\n"
            "user_pref(\"browser.startup.homepage_override.mstone\", \"ignore\");\n"
            "user_pref(\"datareporting.policy.dataSubmissionEnabled\", false);\n"
            "user_pref(\"toolkit.telemetry.reportingpolicy.firstRun\", false);\n");
    }
    return {"--profile", profile, "--no-remote", "--new-instance",
            "--remote-debugging-port", "0", "about:blank"};
}

// A listed URL (code page 932 bytes) as the browser takes it: UTF-8,
// percent-encoded where a URL needs it; a bare host name or a file path gets
// its scheme, as in an address bar.
QString PageUrl(const std::string& listed) {
    const QString text = QString::fromStdString(Cp932ToUtf8(listed));
    const QUrl url = QUrl::fromUserInput(text);
    return url.isValid() ? QString::fromLatin1(url.toEncoded()) : text;
}

// Runs the application's events, timers among them (the one-second sampling
// goes on), but not its user input, until done() holds or ms have passed.
// Wake() has done() looked at again at once.
class Waiter {
public:
    void For(int ms, const std::function<bool()>& done) {
        QTimer bound, look;
        bound.setSingleShot(true);
        bound.setTimerType(Qt::PreciseTimer);
        QEventLoop loop;
        QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
        // A process can end without a word on any pipe.
        QObject::connect(&look, &QTimer::timeout, &loop, &QEventLoop::quit);
        QEventLoop* outer = std::exchange(loop_, &loop);
        bound.start(ms);
        look.start(100);
        while (!done() && bound.isActive()) loop.exec(QEventLoop::ExcludeUserInputEvents);
        loop_ = outer;
    }
    void Wake() {
        if (loop_) loop_->quit();
    }

private:
    QEventLoop* loop_ = nullptr;
};

}  // namespace

// One started browser: its process, its profile folder and its one tab.
class Browser::Session {
public:
    using Result = IBrowser::Result;
    explicit Session(const std::string& chosen) : program(chosen) {}
    virtual ~Session() = default;
    // The browser has gone or stopped answering: it is let go.
    virtual bool Gone() = 0;
    virtual Result Open(const QString& url, const std::function<void()>& connected) = 0;
    const std::string program;
};

namespace {

// The Chromium family over its pipe.
class PipeSession : public Browser::Session, IDevToolsPipe {
public:
    PipeSession(const std::string& chosen, const lnx::BrowserUser& user)
        : Session(chosen), client_(*this, kStartMs, kAnswerMs) {
        // Without a folder of its own the browser would open the user's profile.
        profile_ = lnx::MakeProfileFolder(QDir::tempPath().toStdString(), user.as);
        if (profile_.empty()) return;
        const lnx::PipedBrowser b = lnx::StartPiped(program, DevToolsPipeArguments(profile_), user.as, profile_);
        pid_ = b.pid, to_ = b.toBrowser, from_ = b.fromBrowser;
        if (from_ < 0) return;
        notifier_ = std::make_unique<QSocketNotifier>(from_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Drain(); });
    }

    // Asked to close, the browser leaves its profile whole; one that cannot
    // be asked, or does not close, sees its pipe closed (and quits), then is
    // ended. The application's timers go on meanwhile.
    ~PipeSession() override {
        if (Running() && client_.Answered()) {
            client_.Close();
            wait_.For(kEndMs, [this] { return !Running(); });
        }
        notifier_.reset();
        for (int* fd : {&to_, &from_}) {
            if (*fd >= 0) ::close(*fd);
            *fd = -1;
        }
        for (int sig : {SIGTERM, SIGKILL}) {
            if (!Running()) break;
            ::kill(pid_, sig);
            wait_.For(kEndMs, [this] { return !Running(); });
        }
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
        lnx::RemoveFolder(profile_);
    }

    bool Gone() override {
        return !Running() || client_.Closed() ||
               client_.Misses() >= DevToolsClient::kMissesBeforeRestart;
    }

    Result Open(const QString& url, const std::function<void()>& connected) override {
        return client_.Open(url.toStdString(), connected);
    }

private:
    bool Running() {
        if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
        return pid_ > 0;
    }

    // What the browser wrote, read as it comes so that the pipe never fills.
    void Drain() {
        char chunk[65536];
        for (;;) {
            const ssize_t n = ::read(from_, chunk, sizeof chunk);
            if (n > 0) {
                inbox_.append(chunk, static_cast<std::size_t>(n));
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                ended_ = true;
                notifier_->setEnabled(false);
            }
            if (n == 0 || errno != EINTR) break;
        }
        wait_.Wake();
    }

    // A browser that does not read its pipe (64 KiB unread) hangs: it is let go.
    bool Write(const std::string& bytes) override {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = to_ < 0 ? -1 : ::write(to_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    bool Read(std::string& to, int ms) override {
        wait_.For(ms, [this] { return !inbox_.empty() || ended_ || !Running(); });
        to += inbox_;
        const bool any = !inbox_.empty();
        inbox_.clear();
        return any || !(ended_ || !Running());
    }

    DevToolsClient client_;
    Waiter wait_;
    std::string profile_, inbox_;
    pid_t pid_ = -1;
    int to_ = -1, from_ = -1;
    bool ended_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// Firefox over WebDriver BiDi, on a port of 127.0.0.1: only when the
// settings name it.
class BiDiSession : public Browser::Session {
public:
    BiDiSession(const std::string& chosen, const lnx::BrowserUser& user);
    ~BiDiSession() override;

    bool Gone() override {
        return (process_.state() == QProcess::NotRunning && !Linked()) ||
               misses_ >= DevToolsClient::kMissesBeforeRestart;
    }
    Result Open(const QString& url, const std::function<void()>& connected) override;

private:
    enum class Answer { Result, Error, None, Lost };

    bool Ready();
    bool Linked() const { return socket_.state() == QAbstractSocket::ConnectedState; }
    bool FindTab();
    Answer Call(const QString& method, const QJsonObject& params, QJsonObject* result = nullptr);
    void Received(const QString& message);
    void ReadLog();
    void Drop();

    std::string profile_;
    QProcess process_;
    QWebSocket socket_;
    Waiter wait_;
    QString endpoint_;  // the ws:// address, once the browser told it
    QByteArray log_;    // its standard error until then
    QString tab_;       // the BiDi context of the tab
    bool session_ = false;
    int lastId_ = 0, misses_ = 0;
    std::optional<QJsonObject> answer_;
};

BiDiSession::BiDiSession(const std::string& chosen, const lnx::BrowserUser& user) : Session(chosen) {
    QObject::connect(&process_, &QProcess::readyReadStandardError, [this] { ReadLog(); });
    QObject::connect(&process_, &QProcess::stateChanged, [this] { wait_.Wake(); });
    QObject::connect(&socket_, &QWebSocket::stateChanged, [this](QAbstractSocket::SocketState s) {
        if (s == QAbstractSocket::UnconnectedState) {
            tab_.clear();
            session_ = false;
        }
        wait_.Wake();
    });
    QObject::connect(&socket_, &QWebSocket::textMessageReceived,
                     [this](const QString& message) { Received(message); });
    profile_ = lnx::MakeProfileFolder(QDir::tempPath().toStdString(), user.as);
    if (profile_.empty()) return;
    const std::optional<lnx::Account> as = user.as;
    const pid_t parent = ::getpid();
    process_.setChildProcessModifier([as, parent] { lnx::BecomeBrowser(as, parent); });
    if (as) {
        QStringList env;
        for (const std::string& e : lnx::BrowserEnvironment(as, profile_)) env << QString::fromStdString(e);
        process_.setEnvironment(env);
    }
    process_.setStandardOutputFile(QProcess::nullDevice());
    const QString dir = QString::fromStdString(profile_);
    process_.start(QString::fromStdString(program), FirefoxArguments(dir));
}

BiDiSession::~BiDiSession() {
    QObject::disconnect(&socket_, nullptr, nullptr, nullptr);
    const auto ended = [this] { return process_.state() == QProcess::NotRunning; };
    if (Linked() && session_) {
        const QJsonObject close{{"id", ++lastId_}, {"method", "browser.close"}, {"params", QJsonObject()}};
        socket_.sendTextMessage(QJsonDocument(close).toJson(QJsonDocument::Compact));
        socket_.flush();
        wait_.For(kEndMs, ended);
    }
    if (!ended()) {
        process_.terminate();
        wait_.For(kEndMs, ended);
    }
    QObject::disconnect(&process_, nullptr, nullptr, nullptr);
    if (!ended()) {
        process_.kill();
        process_.waitForFinished(kEndMs);
    }
    socket_.abort();
    lnx::RemoveFolder(profile_);
}

IBrowser::Result BiDiSession::Open(const QString& url, const std::function<void()>& connected) {
    if (!Ready()) {
        ++misses_;
        return Result::NoBrowser;
    }
    connected();
    QJsonObject r;
    const Answer answer =
        Call("browsingContext.navigate", {{"context", tab_}, {"url", url}, {"wait", "none"}}, &r);
    misses_ = answer == Answer::None ? misses_ + 1 : 0;
    switch (answer) {
    case Answer::Result:
        return r["errorText"].toString().isEmpty() ? Result::Opened : Result::Refused;
    case Answer::Error:
        // The tab may be gone: the next page looks for it again.
        tab_.clear();
        return Result::Refused;
    case Answer::None:
        // A browser that stopped answering is connected to afresh next time.
        Drop();
        return Result::Refused;
    case Answer::Lost:
        break;
    }
    return Result::NoBrowser;
}

bool BiDiSession::Ready() {
    // A browser slow to start keeps its process: the next page waits again.
    wait_.For(kStartMs, [this] {
        return !endpoint_.isEmpty() || process_.state() == QProcess::NotRunning;
    });
    if (endpoint_.isEmpty()) return false;
    if (!Linked()) {
        socket_.abort();
        socket_.open(QUrl(endpoint_));
        wait_.For(kAnswerMs, [this] {
            return socket_.state() == QAbstractSocket::ConnectedState ||
                   socket_.state() == QAbstractSocket::UnconnectedState;
        });
        if (!Linked()) {
            socket_.abort();
            return false;
        }
    }
    if (tab_.isEmpty() && !FindTab()) {
        Drop();
        return false;
    }
    return true;
}

// The first tab there is, or a new one when there is none.
bool BiDiSession::FindTab() {
    QJsonObject r;
    if (!session_) {
        if (Call("session.new", {{"capabilities", QJsonObject()}}) != Answer::Result) return false;
        session_ = true;
        // Told when the tab is closed; a browser that will not tell is asked
        // anyway.
        Call("session.subscribe", {{"events", QJsonArray{"browsingContext.contextDestroyed"}}});
    }
    if (Call("browsingContext.getTree", {{"maxDepth", 0}}, &r) != Answer::Result) return false;
    const QJsonArray contexts = r["contexts"].toArray();
    if (contexts.isEmpty()) {
        if (Call("browsingContext.create", {{"type", "tab"}}, &r) != Answer::Result) return false;
        tab_ = r["context"].toString();
    } else {
        tab_ = contexts[0].toObject()["context"].toString();
    }
    return !tab_.isEmpty();
}

BiDiSession::Answer BiDiSession::Call(const QString& method, const QJsonObject& params,
                                      QJsonObject* result) {
    if (!Linked()) return Answer::Lost;
    const QJsonObject command{{"id", ++lastId_}, {"method", method}, {"params", params}};
    answer_.reset();
    socket_.sendTextMessage(QJsonDocument(command).toJson(QJsonDocument::Compact));
    wait_.For(kAnswerMs, [this] { return answer_ || !Linked(); });
    if (!answer_) return Linked() ? Answer::None : Answer::Lost;
    if ((*answer_)["type"].toString() != "success") return Answer::Error;
    if (result) *result = (*answer_)["result"].toObject();
    return Answer::Result;
}

void BiDiSession::Received(const QString& message) {
    const QJsonObject m = QJsonDocument::fromJson(message.toUtf8()).object();
    if (m.contains("id")) {
        // Answers to commands given up on are let go.
        if (m["id"].toInt() == lastId_) {
            answer_ = m;
            wait_.Wake();
        }
    } else if (m["params"]["context"].toString() == tab_ &&
               m["method"].toString() == "browsingContext.contextDestroyed") {
        tab_.clear();  // the tab was closed: the next page looks for one
    }
}

// Standard error until the browser says where its remote control listens.
void BiDiSession::ReadLog() {
    const QByteArray chunk = process_.readAllStandardError();
    if (!endpoint_.isEmpty()) return;
    log_ += chunk;
    static const QRegularExpression bidi(R"(WebDriver BiDi listening on (ws://\S+)\s)");
    const QRegularExpressionMatch found = bidi.match(QString::fromUtf8(log_));
    if (found.hasMatch()) {
        endpoint_ = found.captured(1) + "/session";
        log_.clear();
        wait_.Wake();
    } else if (log_.size() > 65536) {
        log_.remove(0, log_.size() - 1024);
    }
}

void BiDiSession::Drop() {
    socket_.abort();
    tab_.clear();
    session_ = false;
}

}  // namespace

// Profile folders that a Pelmor killed earlier left behind go first.
Browser::Browser() { lnx::RemoveStaleProfileFolders(QDir::tempPath().toStdString()); }
Browser::~Browser() = default;

IBrowser::Result Browser::OpenPage(const std::string& program, const std::string& url,
                                   const std::function<void()>& connected) {
    const std::string chosen = lnx::ChooseBrowser(
        program, qEnvironmentVariable("PATH").toStdString(), lnx::IsExecutableFile);
    if (session_ && (session_->program != chosen || session_->Gone())) session_.reset();
    if (chosen.empty()) return Result::NoBrowser;
    if (!session_) {
        const lnx::BrowserUser user = lnx::ChooseBrowserUser();
        if (!user.ok) {
            // Said once a run: root with no other user to run it as.
            static bool told = false;
            if (!std::exchange(told, true))
                std::fprintf(stderr, "pelmor: the web tour's browser is not started as root, and there "
                                     "is no unprivileged user to start it as\n");
            return Result::NoBrowser;
        }
        const bool bidi = lnx::SpeaksBiDi(chosen) ||
            lnx::SpeaksBiDi(QFileInfo(QString::fromStdString(chosen)).canonicalFilePath().toStdString());
        if (bidi)
            session_ = std::make_unique<BiDiSession>(chosen, user);
        else
            session_ = std::make_unique<PipeSession>(chosen, user);
    }
    return session_->Open(PageUrl(url), connected);
}

}  // namespace pelmor::qt
