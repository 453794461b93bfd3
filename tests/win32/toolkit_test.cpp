// The Win32 toolkit against the real window system, driven through the
// program's own message loop: what the Wine scenarios cannot provoke.
#include "platform/win32/ToolkitImpl.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace pelmor::win32 {
namespace {

const char kMain[] =
    "form frmCheck class=TfrmToolkitCheck caption=\"確認\" client=300,200 menu=Menu OnCloseQuery=FormCloseQuery\n"
    "edit edtA at=8,8 size=100,20 tab=0\n"
    "timer tick interval=20 OnTimer=tickTimer\n"
    "menu Menu\n"
    "  item mRun caption=\"計測開始(&S)\" shortcut=Ctrl+S OnClick=mRunClick\n";

struct Events : IFormEvents {
    std::map<std::string, int, std::less<>> count;
    std::function<void()> onTick;
    bool Handles(std::string_view) const override { return true; }
    void Dispatch(std::string_view handler) override {
        ++count[std::string(handler)];
        if (handler == "tickTimer" && onTick) onTick();
    }
    void CloseQuery(std::string_view, bool&) override { ++count["query"]; }
};

// Closes a dialog whose modal loop the main form's timer did not reach.
void CALLBACK CloseDialog(HWND dialog, UINT, UINT_PTR, DWORD) { PostMessageW(dialog, WM_CLOSE, 0, 0); }

class Forms : public ::testing::Test {
protected:
    void SetUp() override {
        kit.Initialize();
        form = BuildForm(kit, Layout::Parse(kMain), events, true);
        hwnd = reinterpret_cast<HWND>(form->Handle());
        form->Show();
        SetForegroundWindow(hwnd);
        Pump(100);
    }
    // The program's message loop for a while; false when it has ended.
    bool Pump(DWORD ms) {
        for (DWORD end = GetTickCount() + ms; static_cast<int>(end - GetTickCount()) > 0;)
            if (!kit.PumpMessage()) return false;
        return true;
    }

    Toolkit kit{GetModuleHandleW(nullptr)};
    Events events;
    std::unique_ptr<IWindow> form;
    HWND hwnd = nullptr;
};

// A disabled item (settings, while measuring) is greyed and its shortcut does nothing.
TEST_F(Forms, AMenuItemsShortcutRunsItsHandlerWhileTheItemIsEnabled) {
    SetFocus(FindWindowExW(hwnd, nullptr, L"Edit", nullptr));
    for (bool enabled : {true, false}) {
        form->MenuItem("mRun").SetEnabled(enabled);
        for (auto [vk, up] : {std::pair<BYTE, DWORD>{VK_CONTROL, 0}, {'S', 0}, {'S', KEYEVENTF_KEYUP}, {VK_CONTROL, KEYEVENTF_KEYUP}})
            keybd_event(vk, 0, up, 0);
        Pump(300);
        EXPECT_EQ(events.count["mRunClick"], 1) << enabled;
    }
    EXPECT_TRUE(GetMenuState(GetMenu(hwnd), 0, MF_BYPOSITION) & MF_GRAYED);
}

// The samples go on while a dialog (the about box) is open.
TEST_F(Forms, TimersFireInsideADialogsModalLoop) {
    Events dialogEvents;
    auto dialog = BuildForm(kit, Layout::Parse("form frmDlg caption=\"確認\" client=200,60 border=dialog\n"), dialogEvents, false);
    int ticks = 0;
    events.onTick = [&] { if (++ticks == 10) dialog->Close(); };
    SetTimer(reinterpret_cast<HWND>(dialog->Handle()), 1, 3000, CloseDialog);
    EXPECT_EQ(dialog->ShowModal(), 2);
    EXPECT_EQ(ticks, 10);
}

}  // namespace
}  // namespace pelmor::win32
