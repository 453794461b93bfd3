#include "platform/qt/Browser.h"

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
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>
#include <optional>
#include <utility>

#include "platform/Codepage.h"
#include "platform/linux/BrowserProgram.h"

namespace pelmor::qt {

namespace {

// How long a browser just started has to tell its remote-control endpoint,
// and how long the connection and each command have to be answered.
constexpr int kStartMs = 5000;
constexpr int kAnswerMs = 2000;
// How long a browser asked to close, then told to end, has before the next
// step.
constexpr int kEndMs = 2000;
// Pages in a row that a running browser let go unanswered (not ready, or a
// page not confirmed) before it is ended and started afresh: a browser that
// hangs must not stop the tour for the rest of a measurement.
constexpr int kMissesBeforeRestart = 3;

// Remote control on a port of the system's choice (on 127.0.0.1, the
// default address), and none of the browser's own traffic (first-run pages,
// sign-in, updates, QUIC probes) beside the pages of the tour.
QStringList ChromiumArguments(const QString& profile) {
    QStringList args = {"--user-data-dir=" + profile,   "--remote-debugging-port=0",
                        "--no-first-run",               "--no-default-browser-check",
                        "--disable-background-networking", "--disable-component-update",
                        "--disable-sync",               "--disable-quic"};
    // Chromium will not start as root inside its sandbox.
    if (geteuid() == 0) args << "--no-sandbox";
    return args << "about:blank";
}

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

}  // namespace

// One started browser: its process, its profile folder, the connection to
// its remote control and the one tab the pages go to.
class Browser::Session {
public:
    explicit Session(const std::string& chosen);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Neither the process nor the connection is left, or the browser has
    // stopped answering.
    bool Gone() const {
        return (process_.state() == QProcess::NotRunning && !Linked()) ||
               misses >= kMissesBeforeRestart;
    }
    // Connected, with the tab found or made.
    bool Ready();
    Result Navigate(const QString& url);

    const std::string program;
    int misses = 0;  // pages in a row without an answer

private:
    enum class Answer { Result, Error, None, Lost };

    bool Linked() const { return socket_.state() == QAbstractSocket::ConnectedState; }
    bool FindTab();
    Answer Call(const QString& method, const QJsonObject& params, QJsonObject* result = nullptr);
    void Received(const QString& message);
    void ReadLog();
    void Drop();
    void WaitFor(int ms, const std::function<bool()>& done);
    void Wake() {
        if (loop_) loop_->quit();
    }

    const bool bidi_;
    QTemporaryDir profile_;
    QProcess process_;
    QWebSocket socket_;
    QString endpoint_;        // the ws:// address, once the browser told it
    QByteArray log_;          // its standard error until then
    QString tab_;             // the DevTools session or BiDi context of the tab
    bool bidiSession_ = false;
    int lastId_ = 0;
    std::optional<QJsonObject> answer_;
    QEventLoop* loop_ = nullptr;
};

Browser::Session::Session(const std::string& chosen)
    : program(chosen),
      bidi_(lnx::SpeaksBiDi(chosen) ||
            lnx::SpeaksBiDi(QFileInfo(QString::fromStdString(chosen)).canonicalFilePath().toStdString())),
      profile_(QDir::tempPath() + "/pelmor-browser-XXXXXX") {
    QObject::connect(&process_, &QProcess::readyReadStandardError, [this] { ReadLog(); });
    QObject::connect(&process_, &QProcess::stateChanged, [this] { Wake(); });
    QObject::connect(&socket_, &QWebSocket::stateChanged, [this](QAbstractSocket::SocketState s) {
        if (s == QAbstractSocket::UnconnectedState) {
            tab_.clear();
            bidiSession_ = false;
        }
        Wake();
    });
    QObject::connect(&socket_, &QWebSocket::textMessageReceived,
                     [this](const QString& message) { Received(message); });
    // Without a folder of its own the browser would open the user's profile.
    if (!profile_.isValid()) return;
    process_.setStandardOutputFile(QProcess::nullDevice());
    const QString dir = profile_.path();
    process_.start(QString::fromStdString(program),
                   bidi_ ? FirefoxArguments(dir) : ChromiumArguments(dir));
}

Browser::Session::~Session() {
    QObject::disconnect(&socket_, nullptr, nullptr, nullptr);
    const auto ended = [this] { return process_.state() == QProcess::NotRunning; };
    // Asked to close, the browser leaves its profile whole; one that cannot
    // be asked, or does not close, is ended. The application's timers go on
    // meanwhile.
    if (Linked() && (!bidi_ || bidiSession_)) {
        const QJsonObject close{{"id", ++lastId_},
                                {"method", bidi_ ? "browser.close" : "Browser.close"},
                                {"params", QJsonObject()}};
        socket_.sendTextMessage(QJsonDocument(close).toJson(QJsonDocument::Compact));
        socket_.flush();
        WaitFor(kEndMs, ended);
    }
    if (!ended()) {
        process_.terminate();
        WaitFor(kEndMs, ended);
    }
    QObject::disconnect(&process_, nullptr, nullptr, nullptr);
    if (!ended()) {
        process_.kill();
        process_.waitForFinished(kEndMs);
    }
    socket_.abort();
}

bool Browser::Session::Ready() {
    // A browser slow to start keeps its process: the next page waits again.
    WaitFor(kStartMs, [this] {
        return !endpoint_.isEmpty() || process_.state() == QProcess::NotRunning;
    });
    if (endpoint_.isEmpty()) return false;
    if (!Linked()) {
        socket_.abort();
        socket_.open(QUrl(endpoint_));
        WaitFor(kAnswerMs, [this] {
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
bool Browser::Session::FindTab() {
    QJsonObject r;
    if (bidi_) {
        if (!bidiSession_) {
            if (Call("session.new", {{"capabilities", QJsonObject()}}) != Answer::Result) return false;
            bidiSession_ = true;
            // Told when the tab is closed, as the DevTools protocol tells
            // without asking; a browser that will not tell is asked anyway.
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
    if (Call("Target.getTargets", {}, &r) != Answer::Result) return false;
    QString target;
    for (const QJsonValue& info : r["targetInfos"].toArray()) {
        if (info["type"].toString() == "page") {
            target = info["targetId"].toString();
            break;
        }
    }
    if (target.isEmpty()) {
        if (Call("Target.createTarget", {{"url", "about:blank"}}, &r) != Answer::Result) return false;
        target = r["targetId"].toString();
    }
    if (Call("Target.attachToTarget", {{"targetId", target}, {"flatten", true}}, &r) !=
        Answer::Result)
        return false;
    tab_ = r["sessionId"].toString();
    return !tab_.isEmpty();
}

IBrowser::Result Browser::Session::Navigate(const QString& url) {
    QJsonObject r;
    const Answer answer =
        bidi_ ? Call("browsingContext.navigate", {{"context", tab_}, {"url", url}, {"wait", "none"}}, &r)
              : Call("Page.navigate", {{"url", url}}, &r);
    misses = answer == Answer::None ? misses + 1 : 0;
    switch (answer) {
    case Answer::Result:
        // A page that could not be loaded is still shown, as an error page.
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

Browser::Session::Answer Browser::Session::Call(const QString& method, const QJsonObject& params,
                                                QJsonObject* result) {
    if (!Linked()) return Answer::Lost;
    QJsonObject command{{"id", ++lastId_}, {"method", method}, {"params", params}};
    if (!bidi_ && method.startsWith("Page.")) command["sessionId"] = tab_;
    answer_.reset();
    socket_.sendTextMessage(QJsonDocument(command).toJson(QJsonDocument::Compact));
    WaitFor(kAnswerMs, [this] { return answer_ || !Linked(); });
    if (!answer_) return Linked() ? Answer::None : Answer::Lost;
    const bool failed = bidi_ ? (*answer_)["type"].toString() != "success" : answer_->contains("error");
    if (failed) return Answer::Error;
    if (result) *result = (*answer_)["result"].toObject();
    return Answer::Result;
}

void Browser::Session::Received(const QString& message) {
    const QJsonObject m = QJsonDocument::fromJson(message.toUtf8()).object();
    if (m.contains("id")) {
        // Answers to commands given up on are let go.
        if (m["id"].toInt() == lastId_) {
            answer_ = m;
            Wake();
        }
    } else if (m["params"][bidi_ ? "context" : "sessionId"].toString() == tab_ &&
               m["method"].toString() == (bidi_ ? "browsingContext.contextDestroyed"
                                                : "Target.detachedFromTarget")) {
        tab_.clear();  // the tab was closed: the next page looks for one
    }
}

// Standard error until the browser says where its remote control listens.
void Browser::Session::ReadLog() {
    const QByteArray chunk = process_.readAllStandardError();
    if (!endpoint_.isEmpty()) return;
    log_ += chunk;
    static const QRegularExpression devtools(R"(DevTools listening on (ws://\S+)\s)");
    static const QRegularExpression bidi(R"(WebDriver BiDi listening on (ws://\S+)\s)");
    const QRegularExpressionMatch found = (bidi_ ? bidi : devtools).match(QString::fromUtf8(log_));
    if (found.hasMatch()) {
        endpoint_ = found.captured(1) + (bidi_ ? "/session" : "");
        log_.clear();
        Wake();
    } else if (log_.size() > 65536) {
        log_.remove(0, log_.size() - 1024);
    }
}

void Browser::Session::Drop() {
    socket_.abort();
    tab_.clear();
    bidiSession_ = false;
}

// Runs the application's events, timers among them (the one-second sampling
// goes on), but not its user input, until done() holds or ms have passed.
void Browser::Session::WaitFor(int ms, const std::function<bool()>& done) {
    QTimer bound;
    bound.setSingleShot(true);
    bound.setTimerType(Qt::PreciseTimer);
    QEventLoop loop;
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    QEventLoop* outer = std::exchange(loop_, &loop);
    bound.start(ms);
    while (!done() && bound.isActive()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    loop_ = outer;
}

Browser::Browser() = default;
Browser::~Browser() = default;

IBrowser::Result Browser::OpenPage(const std::string& program, const std::string& url,
                                   const std::function<void()>& connected) {
    const std::string chosen = lnx::ChooseBrowser(
        program, qEnvironmentVariable("PATH").toStdString(), lnx::IsExecutableFile);
    if (session_ && (session_->program != chosen || session_->Gone())) session_.reset();
    if (chosen.empty()) return Result::NoBrowser;
    if (!session_) session_ = std::make_unique<Session>(chosen);
    if (!session_->Ready()) {
        ++session_->misses;
        return Result::NoBrowser;
    }
    connected();
    return session_->Navigate(PageUrl(url));
}

}  // namespace pelmor::qt
