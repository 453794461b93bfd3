// The Linux entry point: the Qt application, the Linux services, the
// application object, and start-up. --help and --version are answered
// before Qt starts (no display needed); the other arguments are Qt's own
// (-platform, -display and the like).
#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/Startup.h"
#include "platform/linux/DataFolder.h"
#include "platform/linux/Power.h"
#include "platform/posix/Clock.h"
#include "platform/posix/Instance.h"
#include "platform/posix/LogFile.h"
#include "platform/posix/Profile.h"
#include "platform/posix/ShortPath.h"
#include "platform/qt/Browser.h"
#include "platform/qt/Foreground.h"
#include "platform/qt/Keys.h"
#include "platform/qt/Toolkit.h"

int main(int argc, char** argv) {
    using namespace pelmor;
    switch (ReadCommandLine(std::vector<std::string>(argv + 1, argv + argc))) {
    case CommandRequest::Help:
        std::fputs(HelpText("pelmor").c_str(), stdout);
        return 0;
    case CommandRequest::Version:
        std::fputs(VersionText().c_str(), stdout);
        return 0;
    case CommandRequest::Run:
        break;
    }
    QApplication qapp(argc, argv);
    std::unique_ptr<IToolkit> ui = qt::CreateToolkit();
    posix::Clock clock;
    lnx::Power power;
    posix::LogFile log;
    posix::Profile profile;
    posix::PathNames pathNames;
    qt::Keyboard keys;
    qt::Foreground foreground;
    qt::Browser browser;
    posix::Instance mark;
    lnx::DataFolder dataFolder;
    Services services{*ui, clock, power, log, profile, pathNames, dataFolder, keys, foreground, browser};
    TApplication app(services);
    return PelmorMain(mark, app);
}
