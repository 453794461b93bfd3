// The Win32 toolkit against the real window system: forms built from a
// small layout, driven through the program's own message loop and looked
// at with the plain Win32 calls a screen reader or test driver uses.
#include "platform/win32/ToolkitImpl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

namespace pelmor::win32 {
namespace {

const char kMain[] =
    "form frmCheck class=TfrmToolkitCheck caption=\"ツールキット確認\" client=300,200 position=40,50 "
    "border=single icons=sysmenu,minimize menu=Menu OnCloseQuery=FormCloseQuery\n"
    "edit edtA at=8,8 size=100,20 tab=1 text=\"編集\"\n"
    "button btnGo at=120,8 size=60,25 tab=2 caption=\"実行\" default=1 OnClick=btnGoClick\n"
    "checkbox chk at=8,40 size=100,17 tab=0 caption=\"ﾁｪｯｸ\"\n"
    "listbox lst at=8,60 size=100,50 tab=3\n"
    "label lbl at=120,40 size=100,12 caption=\"ラベル\"\n"
    "image img at=120,60 size=60,40\n"
    "statusbar sb at=0,181 size=300,19 panels=50,60,40\n"
    "timer tick interval=20 OnTimer=tickTimer\n"
    "menu Menu\n"
    "  item mRun caption=\"計測開始(&S)\" shortcut=Ctrl+S OnClick=mRunClick\n";

const char kDialog[] =
    "form frmDlg class=TfrmToolkitDialog caption=\"確認\" client=200,60 centered=1 border=dialog\n"
    "edit edtB at=8,8 size=100,20 tab=0\n";

struct Events : IFormEvents {
    std::map<std::string, int, std::less<>> count;
    std::function<void()> onTick;
    int queries = 0;
    bool Handles(std::string_view) const override { return true; }
    void Dispatch(std::string_view handler) override {
        ++count[std::string(handler)];
        if (handler == "tickTimer" && onTick) onTick();
    }
    void CloseQuery(std::string_view, bool&) override { ++queries; }
};

std::string ClassAndText(HWND hwnd) {
    wchar_t cls[64] = L"", text[64] = L"";
    GetClassNameW(hwnd, cls, 64);
    GetWindowTextW(hwnd, text, 64);
    return Narrow(cls) + " " + Narrow(text);
}

void CtrlS() {
    for (auto [vk, up] : {std::pair<BYTE, DWORD>{VK_CONTROL, 0}, {'S', 0}, {'S', KEYEVENTF_KEYUP}, {VK_CONTROL, KEYEVENTF_KEYUP}})
        keybd_event(vk, 0, up, 0);
}

// Closes a dialog whose modal loop the main form's timer did not reach.
void CALLBACK CloseDialog(HWND dialog, UINT, UINT_PTR, DWORD) { PostMessageW(dialog, WM_CLOSE, 0, 0); }

class Forms : public ::testing::Test {
protected:
    void SetUp() override {
        kit.Initialize();
        form = kit.CreateForm(Layout::Parse(kMain), events, true);
        hwnd = reinterpret_cast<HWND>(form->Handle());
        form->Show();
        SetForegroundWindow(hwnd);
        Pump(100);
    }
    // The program's message loop for a while; false when it has ended.
    bool Pump(DWORD ms) {
        for (DWORD end = GetTickCount() + ms; static_cast<int>(end - GetTickCount()) > 0;) {
            if (!kit.PumpMessage()) return false;
        }
        return true;
    }
    HWND Child(const wchar_t* cls) { return FindWindowExW(hwnd, nullptr, cls, nullptr); }

    Toolkit kit{GetModuleHandleW(nullptr)};
    Events events;
    std::unique_ptr<IWindow> form;
    HWND hwnd = nullptr;
};

TEST_F(Forms, FrameAndControlsFollowTheLayout) {
    EXPECT_EQ(ClassAndText(hwnd), "TfrmToolkitCheck ツールキット確認");
    RECT client{}, frame{};
    GetClientRect(hwnd, &client);
    GetWindowRect(hwnd, &frame);
    EXPECT_EQ(client.right * 1000 + client.bottom, 300200) << "the client size, below the menu bar";
    EXPECT_EQ(frame.left * 1000 + frame.top, 40050);
    std::vector<std::string> controls;
    for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) controls.push_back(ClassAndText(c));
    std::sort(controls.begin(), controls.end());
    EXPECT_EQ(controls, (std::vector<std::string>{"Button 実行", "Button ﾁｪｯｸ", "Edit 編集", "ListBox ", "PelmorImage ",
                                                  "Static ラベル", "msctls_statusbar32 "}));
}

TEST_F(Forms, AControlAskedForAsAnotherKindIsAnError) {
    EXPECT_NO_THROW(form->CheckBox("chk"));
    EXPECT_NO_THROW(form->ListBox("lst"));
    EXPECT_NO_THROW(form->Control("chk").Text());
    EXPECT_THROW(form->CheckBox("lst"), Exception);
    EXPECT_THROW(form->ListBox("chk"), Exception);
    EXPECT_THROW(form->Memo("edtA"), Exception);
}

TEST_F(Forms, AMenuItemsShortcutRunsItsHandlerWhileTheItemIsEnabled) {
    SetFocus(Child(L"Edit"));
    CtrlS();
    Pump(300);
    EXPECT_EQ(events.count["mRunClick"], 1);
    form->MenuItem("mRun").SetEnabled(false);
    CtrlS();
    Pump(300);
    EXPECT_EQ(events.count["mRunClick"], 1);
    EXPECT_TRUE(GetMenuState(GetMenu(hwnd), 0, MF_BYPOSITION) & MF_GRAYED);
}

TEST_F(Forms, TimersFireInsideADialogsModalLoop) {
    Events dialogEvents;
    auto dialog = kit.CreateForm(Layout::Parse(kDialog), dialogEvents, false);
    HWND d = reinterpret_cast<HWND>(dialog->Handle());
    EXPECT_EQ(GetWindow(d, GW_OWNER), hwnd);
    int ticks = 0;
    bool ownerDisabled = false;
    events.onTick = [&] {
        ownerDisabled = !IsWindowEnabled(hwnd);
        if (++ticks == 10) dialog->Close();
    };
    SetTimer(d, 1, 3000, CloseDialog);
    EXPECT_EQ(dialog->ShowModal(), 2);
    EXPECT_EQ(ticks, 10);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(hwnd));
    EXPECT_FALSE(IsWindowVisible(d));
}

TEST_F(Forms, TheImageKeepsItsDrawing) {
    HWND image = Child(L"PelmorImage");
    auto pixel = [&](int x, int y) {
        HDC dc = GetDC(image);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(image, dc);
        return c;
    };
    EXPECT_EQ(pixel(30, 20), GetSysColor(COLOR_BTNFACE)) << "before any drawing";
    ICanvas& canvas = form->Image("img").Canvas();
    canvas.SetBrushColor(0x0000FF);
    canvas.SetPenColor(0x00FF00);
    canvas.Rectangle(0, 0, 60, 40);
    InvalidateRect(image, nullptr, TRUE);
    UpdateWindow(image);
    EXPECT_EQ(pixel(30, 20), 0x0000FFu);
    EXPECT_EQ(pixel(59, 39), 0x00FF00u);
}

TEST_F(Forms, TheCloseQueryRunsOnceForTheSessionEndAndTheClose) {
    EXPECT_EQ(SendMessageW(hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_EQ(events.queries, 1);
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(Pump(2000)) << "the message loop did not end";
    EXPECT_EQ(events.queries, 1);
    EXPECT_FALSE(IsWindow(hwnd));
}

}  // namespace
}  // namespace pelmor::win32
