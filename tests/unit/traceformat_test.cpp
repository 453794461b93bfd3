// The trace's layout: lines read back as written, times in local ISO 8601
// with their offset, and nothing half-right taken for a line.
#include <gtest/gtest.h>

#include "forms/TraceFormat.h"

using namespace pelmor;

TEST(TraceFormat, TimesAcrossOffsetsDaysAndLeapYears) {
    struct Case { TraceTime t; const char* text; } const cases[] = {
        {{0, 0}, "1970-01-01T00:00:00+00:00"},
        {{1796603405, 9 * 3600}, "2026-12-07T09:30:05+09:00"},   // 00:30:05 UTC
        {{1796603405, -(5 * 3600 + 30 * 60)}, "2026-12-06T19:00:05-05:30"},
        {{951782400, 0}, "2000-02-29T00:00:00+00:00"},
        {{4107542399, 0}, "2100-02-28T23:59:59+00:00"},
        {{-62167219200, 0}, "0000-01-01T00:00:00+00:00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsoTime(c.t), c.text);
        TraceTime back{-1, -1};
        ASSERT_TRUE(ParseIsoTime(c.text, back)) << c.text;
        EXPECT_EQ(back.utc, c.t.utc) << c.text;
        EXPECT_EQ(back.offset, c.t.offset) << c.text;
    }
    for (const char* bad : {"2026-02-29T00:00:00+00:00", "2026-12-07T24:00:00+09:00",
                            "2026-12-07 09:30:05+09:00", "2026-12-07T09:30:05Z", "2026-1a-07T09:30:05+09:00"}) {
        TraceTime t;
        EXPECT_FALSE(ParseIsoTime(bad, t)) << bad;
    }
}

TEST(TraceFormat, LinesReadBackAsWrittenAndBrokenOnesAreRefused) {
    TraceLine full;
    full.started = {1796603405, 32400};
    full.time = {1796603465, 32400};
    full.event = TraceEvent::Resume;
    full.elapsed = 60;
    full.source = TraceSource::Battery;
    full.level = 0;
    full.energy = {0, 48000, 52000, 7250, 11400, 3};
    const std::string bytes = TraceLineBytes(full);
    EXPECT_EQ(bytes, "2026-12-07T09:30:05+09:00,2026-12-07T09:31:05+09:00,resume,60,battery,0,0,48000,"
                     "52000,7250,11400,3\r\n");
    TraceLine back;
    ASSERT_TRUE(ParseTraceLine(bytes.substr(0, bytes.size() - 1), back));  // a CR left on is no harm
    EXPECT_EQ(TraceLineBytes(back), bytes);

    TraceLine bare;  // nothing known but the times
    bare.event = TraceEvent::Close;
    EXPECT_EQ(TraceLineBytes(bare), "1970-01-01T00:00:00+00:00,1970-01-01T00:00:00+00:00,close,0,unknown,,,,,,,\r\n");
    ASSERT_TRUE(ParseTraceLine(TraceLineBytes(bare).substr(0, 74), back));
    EXPECT_FALSE(back.level || back.energy.energyMwh || back.energy.cycles);
    EXPECT_EQ(TraceHeaderBytes(), std::string(kTraceColumns) + "\r\n");

    const std::string ok = "2026-12-07T09:30:05+09:00,2026-12-07T09:31:05+09:00,minute,60,mains,";
    for (const std::string& bad : {std::string(kTraceColumns), ok + "80,,,,,", ok + "80,,,,,,,",
                                   ok + "101,,,,,,", ok + "8x,,,,,,", ok + "80,-1,,,,,",
                                   ok + "80,+5,,,,,", ok + "80,,,,,,1 ", ok.substr(0, 50) + ",minute,60,mains,80,,,,,,",
                                   ok.substr(0, 52) + "tick,60,mains,80,,,,,,", ok.substr(0, 59) + "6 0,mains,80,,,,,,"}) {
        const char* why = nullptr;
        EXPECT_FALSE(ParseTraceLine(bad, back, &why)) << bad;
        EXPECT_NE(why, nullptr) << bad;
    }
}
