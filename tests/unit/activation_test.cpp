// OS family detection and the foreground switch.
#include <gtest/gtest.h>

#include "fakes/Fakes.h"
#include "forms/Main.h"

using namespace pelmor;
using namespace pelmor::fake;

namespace {

struct VersionCase {
    std::uint32_t major, minor, platform;
    std::int32_t kind;
};

std::int32_t Detect(const OsVersion& v, FakeActivation& system) {
    system.version = v;
    return TfrmMain::DetectOsKind(system);
}

std::string Num(std::uint64_t v) { return std::to_string(v); }

}  // namespace

TEST(DetectOsKind, MapsEveryVersionToItsFamily) {
    const VersionCase cases[] = {
        {4, 0, 1, 1},    // Windows 95
        {4, 10, 1, 3},   // Windows 98
        {4, 90, 1, 3},   // Windows Me
        {4, 3, 1, 3},
        {4, 0, 2, 10},   // NT 4.0
        {4, 10, 2, 10},
        {4, 0, 0, 0},    // Win32s
        {4, 10, 0, 0},
        {4, 0, 3, 0},
        {5, 0, 2, 11},   // 2000
        {5, 1, 2, 11},   // XP
        {5, 2, 2, 11},
        {5, 0, 1, 11},   // platform not looked at
        {5, 7, 0, 11},
        {3, 51, 2, 0},   // NT 3.51
        {3, 10, 1, 0},
        {6, 0, 2, 0},    // Vista
        {6, 1, 2, 0},
        {10, 0, 2, 0},
        {0, 0, 0, 0},
    };
    for (const VersionCase& c : cases) {
        FakeActivation system;
        EXPECT_EQ(Detect({c.major, c.minor, c.platform}, system), c.kind)
            << c.major << "." << c.minor << " platform " << c.platform;
        EXPECT_EQ(system.recordSize, 148u);
        // Detection makes no foreground call.
        EXPECT_TRUE(system.calls.empty());
    }
}

TEST(DetectOsKind, FailedVersionQueryGivesOther) {
    FakeActivation system;
    system.version = {5, 1, 2};  // whatever is there must not be used
    system.versionFails = true;
    EXPECT_EQ(TfrmMain::DetectOsKind(system), 0);
}

TEST(DetectOsKind, TheWindowKeepsTheFamilyOfItsSystem) {
    Rig rig;
    rig.activation.version = {4, 90, 1};
    TfrmMain form(rig.app);
    EXPECT_EQ(form.OsKind, 3);

    Rig nt;
    nt.activation.version = {4, 0, 2};
    TfrmMain ntForm(nt.app);
    EXPECT_EQ(ntForm.OsKind, 10);
}

TEST(ForceForeground, PlainFamiliesMakeOnlyTheForegroundCall) {
    for (std::int32_t kind : {0, 1, 10}) {
        for (bool granted : {true, false}) {
            Rig rig;
            TfrmMain form(rig.app);
            form.OsKind = kind;
            rig.activation.calls.clear();
            rig.activation.foregroundResult = granted;
            const WindowHandle h = form.Window().Handle();
            EXPECT_EQ(form.ForceForeground(h), granted) << "OsKind " << kind;
            EXPECT_EQ(rig.activation.calls,
                      (std::vector<std::string>{"SetForegroundWindow " + Num(h)}))
                << "OsKind " << kind;
        }
    }
}

TEST(ForceForeground, LockedFamiliesLiftTheTimeoutAroundTheSwitch) {
    for (std::int32_t kind : {3, 11}) {
        for (bool granted : {true, false}) {
            Rig rig;
            TfrmMain form(rig.app);
            form.OsKind = kind;
            rig.activation.calls.clear();
            rig.activation.timeout = 200000;
            rig.activation.foregroundResult = granted;
            const WindowHandle h = 0x1234;
            EXPECT_EQ(form.ForceForeground(h), granted) << "OsKind " << kind;
            EXPECT_EQ(rig.activation.calls, (std::vector<std::string>{
                                                "GetForegroundLockTimeout",
                                                "SetForegroundLockTimeout 0",
                                                "SetForegroundWindow " + Num(h),
                                                "SetForegroundLockTimeout 200000",
                                                "SetFocus " + Num(h),
                                                "SetActiveWindow " + Num(h),
                                            }))
                << "OsKind " << kind;
            EXPECT_EQ(rig.activation.timeout, 200000u);
        }
    }
}

TEST(ForceForeground, RestoresTimeoutsThatUseTheTopBit) {
    Rig rig;
    TfrmMain form(rig.app);
    form.OsKind = 11;
    rig.activation.timeout = 0xFFFFFFF0u;
    form.ForceForeground(7);
    EXPECT_EQ(rig.activation.calls.at(3), "SetForegroundLockTimeout " + Num(0xFFFFFFF0u));
    EXPECT_EQ(rig.activation.timeout, 0xFFFFFFF0u);
}

TEST(ForceForeground, UnreadableTimeoutIsLeftAloneButTheWindowStillComesForward) {
    Rig rig;
    TfrmMain form(rig.app);
    form.OsKind = 3;
    rig.activation.calls.clear();
    rig.activation.timeoutReadFails = true;
    rig.activation.timeout = 5000;
    EXPECT_TRUE(form.ForceForeground(9));
    EXPECT_EQ(rig.activation.calls, (std::vector<std::string>{
                                        "GetForegroundLockTimeout",
                                        "SetForegroundWindow 9",
                                        "SetFocus 9",
                                        "SetActiveWindow 9",
                                    }));
    EXPECT_EQ(rig.activation.timeout, 5000u);
}
