// A whole day of measuring on the fake clock: 86,400 one-second ticks with
// the battery draining from 100 % to 0 %, the mains plugged in for an hour,
// both loads ticked, and the real settings and log files on disk.
#include <gtest/gtest.h>

#include <malloc.h>

#include "fakes/Fakes.h"

using namespace pelmor;

TEST(Soak, ADayOfMeasuringLogsEveryChangeOnceAndKeepsTheHistoryBounded) {
    fake::Rig rig;
    rig.Write("url.lst", "http://a.example/\nhttp://b.example/ http://c.example/\n");
    rig.Write("pelmor.ini", "[setup]\r\nkey=1\r\nreload=20\r\n");
    auto level = [](long s) { return static_cast<int>(100 - s * 100 / 86400); };
    auto mains = [](long s) { return s >= 30000 && s < 33600 ? 1 : 0; };
    const std::int32_t t0 = rig.clock.now;
    TfrmMain form(rig.app);
    fake::Window& w = rig.ui.Form("frmMain");
    w.images["Image1"]->canvas.record = false;
    w.Ctl("chkKey").checked = w.Ctl("chkURL").checked = true;
    rig.ui.onModal["frmComment"] = [](fake::Window& d) { d.Click("btnOK"); };
    w.Click("mnuStart");

    std::string expected = "\r\n' Tue Nov 14 22:13:20 2023\r\n' \r\n";
    int lastLevel = -1, lastMains = -1;
    long lines = 0, pages = 0;
    std::string lastPage;
    std::size_t heapAtHourOne = 0;
    for (long s = 1; s <= 86400; ++s) {
        rig.clock.now = t0 + static_cast<std::int32_t>(s);
        rig.power.reading = {mains(s) ? PowerReading::Source::Mains : PowerReading::Source::Battery,
                             level(s)};
        w.Tick("TimerBase");
        w.Tick("TimerKey");
        if (s % 20 == 0) w.Tick("TimerURL");
        for (const std::string& e : rig.journal) {
            lines += e == "type 0123456789";
            if (e.rfind("open ", 0) == 0) ++pages, lastPage = e;
        }
        rig.journal.clear();
        if (level(s) != lastLevel || mains(s) != lastMains) {
            char line[64];
            std::snprintf(line, sizeof line, "%7ld, %3d, %2d\r\n", s, level(s), mains(s));
            expected += line;
            lastLevel = level(s), lastMains = mains(s);
        }
        if (s == 3600) heapAtHourOne = mallinfo2().uordblks;
    }
    const std::size_t heapAtEnd = mallinfo2().uordblks;
    bool can = true;
    form.FormCloseQuery(can);
    EXPECT_EQ(rig.Read("pelmor.log"), expected + "      0,   0,  2\r\n");
    // 1441 samples, one a minute: full at 180, then a slide every 30 minutes;
    // the last saved is the one of the last minute, which began at 86380 s.
    const std::string ini = rig.Path("pelmor.ini");
    const int kept = 150 + (1441 - 180) % 30;
    EXPECT_EQ(rig.profile.GetString("log", std::to_string(kept - 1), "", 32, ini), std::to_string(level(86380)) + " 0");
    EXPECT_EQ(rig.profile.GetString("log", std::to_string(kept), "none", 32, ini), "");
    EXPECT_EQ(rig.profile.GetInt("log", "endtime", -1, ini), t0 + 86400);
    EXPECT_EQ(lines, 86400);
    EXPECT_EQ(pages, 86400 / 20);
    EXPECT_EQ(lastPage.substr(0, 22), "open http://c.example/");
    EXPECT_LT(heapAtEnd, heapAtHourOne + 64 * 1024);
}
