// The Linux web tour's browser: which one is started, both protocols
// against recording stand-ins (the DevTools pipe, WebDriver BiDi), and the
// tour in Debian's chromium, headless, loading the pages of a server of the
// test's own.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>

#include <QtNetwork>
#include <QtTest>
#include <QtWebSockets>

#include "fakes/Fakes.h"
#include "platform/linux/BrowserProgram.h"
#include "platform/qt/Browser.h"

using namespace pelmor;
using Result = IBrowser::Result;

namespace {

// A script that notes "PID UID ARGUMENTS" in dir/starts, says what it is told on
// standard error and execs the rest.
QString Script(const QString& dir, const QString& name, const QString& says, const QString& exec) {
    QFile f(dir + "/" + name);
    f.open(QIODevice::WriteOnly);
    f.write(QString("#!/bin/sh\necho \"$$ $(id -u) $*\" >>%1/starts\necho '%2' >&2\nexec %3\n").arg(dir, says, exec).toUtf8());
    f.setPermissions(QFileDevice::Permissions(0x7755));
    return f.fileName();
}
QStringList Starts(const QString& dir) {
    QFile f(dir + "/starts");
    return f.open(QIODevice::ReadOnly) ? QString(f.readAll()).split('\n', Qt::SkipEmptyParts) : QStringList();
}
qint64 LastPid(const QString& dir) { return Starts(dir).last().section(' ', 0, 0).toLongLong(); }
// A folder the browser may write in when, as root, it runs as another user.
void Open(const QString& dir) { QFile::setPermissions(dir, QFileDevice::Permissions(0x7777)); }

// The browser's end of the remote control: records each connection's path
// and each command, and answers as told.
struct StandIn {
    QWebSocketServer server{"", QWebSocketServer::NonSecureMode};
    QStringList heard;
    QByteArray navigate = "{}";  // the answer to a page: a result, error or silent
    quint16 port = 0;
    StandIn() {
        Listen();
        QObject::connect(&server, &QWebSocketServer::newConnection, [this] {
            QWebSocket* c = server.nextPendingConnection();
            c->setParent(&server);
            heard << c->requestUrl().path();
            QObject::connect(c, &QWebSocket::textMessageReceived, [this, c](const QString& text) {
                const QJsonObject m = QJsonDocument::fromJson(text.toUtf8()).object();
                const QString method = m["method"].toString(), params = QJsonDocument(m["params"].toObject()).toJson(QJsonDocument::Compact);
                heard << method + " " + params + (m.contains("sessionId") ? " @" + m["sessionId"].toString() : "");
                const bool bidi = method[0].isLower(), nav = method.endsWith("navigate");
                if (nav && navigate == "silent") return;
                QJsonObject a{{"id", m["id"]}, {"type", bidi ? "success" : ""}};
                if (nav && navigate == "error") a[bidi ? "type" : "error"] = "error";
                else a["result"] = QJsonDocument::fromJson(nav ? navigate : R"({"sessionId": "S1",
                    "targetInfos": [{"type": "page", "targetId": "T1"}], "contexts": [{"context": "C1"}]})").object();
                c->sendTextMessage(QJsonDocument(a).toJson());
            });
        });
    }
    void Listen() { port = server.listen(QHostAddress::LocalHost, port) ? server.serverPort() : 0; }
    void Gone() {
        server.close();
        for (QWebSocket* c : server.findChildren<QWebSocket*>()) c->abort();
    }
};

}  // namespace

TEST(BrowserProgram, TheSettingElseTheFirstUsualBrowserOnPath) {
    const QStringList files = {"/usr/bin/firefox", "/usr/bin/google-chrome", "/opt/b/chromium",
                               "/opt/my browser/表", "/opt/esr/firefox-esr"};
    const struct { const char *setting, *path, *chosen; } rows[] = {
        {"C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE", "/usr/bin:/opt/b", "/opt/b/chromium"},
        {"", "/usr/local/bin:/usr/bin/", "/usr/bin/google-chrome"},
        {"firefox", "/opt/b::/usr/bin", "/usr/bin/firefox"},
        {"/opt/my browser/\x95\x5C", "", "/opt/my browser/表"},
        {"bin/firefox", "/usr:/usr/bin", "/usr/bin/google-chrome"},
        {"", "/opt/esr", ""},
        {"firefox-esr", "/opt/esr", "/opt/esr/firefox-esr"},
        {"chromium", ":/nowhere", ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(lnx::ChooseBrowser(r.setting, r.path, [&](const std::string& p) { return files.contains(p.c_str()); }),
                  r.chosen) << r.setting << " in " << r.path;
}

TEST(BrowserProtocol, OneTabEachPageAnswersBoundedNeverRootNoPortAndABrowserGoneStartedAgain) {
    const QString url = R"("url":"http://127.0.0.1/%E8%A1%A8%20a")";
    const uid_t user = geteuid() == 0 ? getpwnam("nobody")->pw_uid : geteuid();
    // Folders of a Pelmor gone and of a living one (this process).
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    const QString stale = QDir::tempPath() + QString("/pelmor-browser-%1-t").arg(gone);
    const QString mine = QDir::tempPath() + QString("/pelmor-browser-%1-t").arg(getpid());
    const struct { const char* name, *remote; QStringList first; int finds; Result killed; int connected; QString close; } rows[] = {
        {"firefox", " --remote-debugging-port 0 ", {"/session", R"(session.new {"capabilities":{}})",
          R"(session.subscribe {"events":["browsingContext.contextDestroyed"]})", R"(browsingContext.getTree {"maxDepth":0})",
          R"(browsingContext.navigate {"context":"C1",)" + url + R"(,"wait":"none"})"}, 5, Result::NoBrowser, 8, "browser.close {}"},
        {"chromium", " --remote-debugging-pipe ", {"Target.getTargets", "Target.attachToTarget", "Page.navigate",
          "Page.navigate", "Target.getTargets"}, 6, Result::Opened, 9, "Browser.close"},
    };
    for (const auto& r : rows) {
        QTemporaryDir dir;
        Open(dir.path());
        for (const QString& f : {stale + "/Default", mine}) QDir().mkpath(f);
        StandIn s;
        const bool pipe = r.name == std::string("chromium");
        const std::string program = Script(dir.path(), r.name, QString("WebDriver BiDi listening on ws://127.0.0.1:%1").arg(s.port),
            pipe ? QString("/usr/bin/python3 %1 %2").arg(PIPE_BROWSER, dir.path()) : "sleep 60").toStdString();
        const auto tell = [&](const QByteArray& mode) {
            QFile f(dir.path() + "/mode");
            f.open(QIODevice::WriteOnly), f.write(mode);
            s.navigate = mode == "" ? "{}" : mode == "errortext" ? R"({"errorText": "net::ERR_FAILED"})" : mode;
        };
        const auto heard = [&] {
            QFile f(dir.path() + "/heard");
            return !pipe ? s.heard : f.open(QIODevice::ReadOnly) ? QString(f.readAll()).split('\n', Qt::SkipEmptyParts) : QStringList();
        };
        int samples = 0, connected = 0;
        QTimer sampling;
        QObject::connect(&sampling, &QTimer::timeout, [&] { ++samples; });
        sampling.start(250);
        auto browser = std::make_unique<qt::Browser>();
        EXPECT_FALSE(QFileInfo::exists(stale)) << "left by a Pelmor gone";
        EXPECT_TRUE(QDir().rmdir(mine)) << "a living Pelmor's folder stays";
        const struct { QByteArray mode; std::string program; Result result; int minMs, maxMs; } steps[] = {
            {"", "/bin/false", Result::NoBrowser, 0, 1000},
            {"", Script(dir.path(), "mute", "starting", "sleep 60").toStdString(), Result::NoBrowser, 5000, 5500},
            {"", program, Result::Opened, 0, 1500},
            {"error", program, Result::Refused, 0, 500},
            {"errortext", program, Result::Refused, 0, 500},
            {"silent", program, Result::Refused, 2000, 2500},
            {"silent", program, Result::Refused, 2000, 2500},
            {"silent", program, Result::Refused, 2000, 2500},
            {"", program, Result::Opened, 0, 1500},
            {"kill", program, r.killed, 0, 1500},
            {"", program, Result::Opened, 0, 1500},
        };
        for (const auto& step : steps) {
            if (step.mode == "kill") s.Gone(), ::kill(LastPid(dir.path()), SIGKILL), QTest::qWait(300), tell("");
            else if (tell(step.mode), !s.server.isListening()) s.Listen();
            const int before = samples;
            QElapsedTimer t;
            t.start();
            EXPECT_EQ(browser->OpenPage(step.program, "http://127.0.0.1/\x95\x5C a", [&] { ++connected; }), step.result)
                << r.name << " " << step.mode.data();
            EXPECT_TRUE(t.elapsed() >= step.minMs && t.elapsed() <= step.maxMs) << t.elapsed() << " ms";
            EXPECT_GE(samples - before, t.elapsed() / 250 - 1) << "the sampling went on";
        }
        browser.reset();
        EXPECT_EQ(heard().mid(0, 5), r.first) << r.name;
        EXPECT_EQ(heard().count(r.first[0]), r.finds) << r.name << ": looked for again after each silence and restart";
        EXPECT_EQ(heard().last(), r.close);
        EXPECT_EQ(connected, r.connected) << r.name << ": once the browser answered";
        const QStringList starts = Starts(dir.path());
        ASSERT_EQ(starts.size(), 4) << "started again after three silences, and once gone";
        for (const QString& start : starts.mid(1)) {
            EXPECT_TRUE(start.section(' ', 1, 1) == QString::number(user) && start.contains(r.remote)) << start.toStdString();
            const QString profile = QRegularExpression("(--user-data-dir=|--profile )(\\S+)").match(start).captured(2);
            EXPECT_TRUE(QFileInfo(profile).fileName().startsWith(QString("pelmor-browser-%1-").arg(getpid())));
            EXPECT_FALSE(QFileInfo::exists(profile)) << "removed with its browser";
        }
        EXPECT_NE(::kill(LastPid(dir.path()), 0), 0) << "ended with the browser object";
    }
}

TEST(WebTour, InChromiumHeadlessInOrderWrappingInOneTabAndStartedAgainWhenKilled) {
    const QString chromium = QStandardPaths::findExecutable("chromium");
    if (chromium.isEmpty()) GTEST_SKIP() << "no chromium here";
    QStringList served;
    QTcpServer web;
    ASSERT_TRUE(web.listen(QHostAddress::LocalHost));
    QObject::connect(&web, &QTcpServer::newConnection, [&] {
        QTcpSocket* c = web.nextPendingConnection();
        QObject::connect(c, &QTcpSocket::readyRead, [&served, c] {
            const QString path = QString(c->readLine()).section(' ', 1, 1);
            if (path != "/favicon.ico") served << path;
            c->write("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<title>" + path.toUtf8() + "</title>");
            c->disconnectFromHost();
        });
    });
    // The titles of the pages in the browser's list of targets.
    const auto tabs = [](const QString& dir) {
        QTest::qWait(500);  // a title comes a little after its page
        QFile port(QRegularExpression("--user-data-dir=(\\S+)").match(Starts(dir).last()).captured(1) + "/DevToolsActivePort");
        port.open(QIODevice::ReadOnly);
        QNetworkAccessManager net;
        QNetworkReply* list = net.get(QNetworkRequest(QUrl("http://127.0.0.1:" + port.readLine().trimmed() + "/json/list")));
        EXPECT_TRUE(QTest::qWaitFor([&] { return list->isFinished(); }, 2000));
        QStringList titles;
        for (const QJsonValue& t : QJsonDocument::fromJson(list->readAll()).array())
            if (t["type"] == "page") titles << t["title"].toString();
        return titles;
    };
    fake::Rig rig;
    Open(QString::fromStdString(rig.dir));
    const QString dir = QString::fromStdString(rig.dir), site = QString("http://127.0.0.1:%1/").arg(web.serverPort());
    rig.Write("url.lst", (site + "1 " + site + "2\n" + site + "3\n").toStdString());
    rig.Write("pelmor.ini", "[setup]\r\niepath=" + Script(dir, "headless", "", chromium + " --headless --remote-debugging-port=0 \"$@\"").toStdString());
    qt::Browser browser;
    Services services{rig.ui, rig.clock, rig.power, rig.log, rig.profile, rig.loads, rig.loads, rig.loads, rig.loads, browser};
    TApplication app{services};
    TfrmMain form(app);
    rig.ui.Form("frmMain").Ctl("chkURL").checked = true;
    rig.ui.Form("frmMain").Click("mnuStart");  // the loads run while a measurement does
    // A browser slower to start than its bound (a busy machine) costs a tick.
    const auto tour = [&](int n) {
        for (int i = 0; i < n + 2 && served.size() < n; ++i) rig.ui.Form("frmMain").Tick("TimerURL");
    };
    tour(4);
    EXPECT_EQ(served, QStringList({"/1", "/2", "/3", "/1"}));
    EXPECT_EQ(tabs(dir), QStringList{"/1"});
    ::kill(LastPid(dir), SIGKILL);
    QTest::qWait(1000);
    tour(6);
    EXPECT_EQ(served, QStringList({"/1", "/2", "/3", "/1", "/2", "/3"}));
    EXPECT_EQ(Starts(dir).size(), 2) << "started again after the kill";
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
