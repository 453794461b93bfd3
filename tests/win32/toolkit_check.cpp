// toolkit_check: the Win32 toolkit against the real window system (run under
// Wine by tests/integration/t_toolkit.sh). It builds forms from layouts,
// drives them through the message loop the program uses, and looks at the
// windows with the plain Win32 calls a screen reader or test driver uses.
// Prints one line per check; the exit code is the number of failures.
#include "platform/win32/ToolkitImpl.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace pelmor;

namespace {

int g_checks = 0;
int g_failed = 0;

void Check(bool ok, const std::string& what) {
    ++g_checks;
    if (!ok) ++g_failed;
    std::printf("%s  %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
}

template <class A, class B>
void CheckEq(const A& got, const B& want, const std::string& what) {
    bool ok = got == want;
    Check(ok, what);
    if (!ok) {
        if constexpr (std::is_convertible_v<A, std::string>) {
            std::printf("        got [%s] want [%s]\n", std::string(got).c_str(),
                        std::string(want).c_str());
        } else if constexpr (std::is_pointer_v<A>) {
            std::printf("        got [%p] want [%p]\n", static_cast<const void*>(got),
                        static_cast<const void*>(want));
        } else {
            std::printf("        got [%lld] want [%lld]\n", static_cast<long long>(got),
                        static_cast<long long>(want));
        }
    }
}

std::string Text(HWND hwnd) {
    wchar_t buf[512] = L"";
    GetWindowTextW(hwnd, buf, 512);
    return win32::Narrow(buf);
}

std::string ClassOf(HWND hwnd) {
    wchar_t buf[256] = L"";
    GetClassNameW(hwnd, buf, 256);
    return win32::Narrow(buf);
}

struct Events : IFormEvents {
    std::vector<std::string> log;
    std::map<std::string, std::function<void()>> on;
    int queries = 0;
    void Dispatch(std::string_view handler) override {
        log.emplace_back(handler);
        auto it = on.find(std::string(handler));
        if (it != on.end()) it->second();
    }
    void CloseQuery(std::string_view, bool&) override { ++queries; }
    int Count(const std::string& handler) const {
        int n = 0;
        for (const auto& h : log) n += h == handler;
        return n;
    }
};

const char kMainLayout[] =
    "form frmCheck class=TfrmToolkitCheck caption=\"ツールキット確認\" client=300,200 "
    "position=40,50 border=single icons=sysmenu,minimize font=\"ＭＳ Ｐゴシック\" fontheight=12 "
    "charset=shiftjis color=btnface menu=Menu OnCloseQuery=FormCloseQuery\n"
    "edit edtA at=8,8 size=100,20 tab=1\n"
    "button btnGo at=120,8 size=60,25 tab=2 caption=\"実行\" default=1 OnClick=btnGoClick\n"
    "button btnOff at=190,8 size=60,25 tab=3 caption=\"Off\" OnClick=btnOffClick\n"
    "checkbox chk at=8,40 size=100,17 tab=0 caption=\"ﾁｪｯｸ\"\n"
    "listbox lst at=8,60 size=100,50 itemheight=12 tab=4\n"
    "label lbl at=120,40 size=10,12 caption=\"ずっと長いラベルの文字列\"\n"
    "image img at=120,60 size=60,40\n"
    "statusbar sb at=0,181 size=300,19 panels=50,60,40\n"
    "timer tFast interval=30 enabled=1 OnTimer=tFastTimer\n"
    "timer tOff interval=30 enabled=0 OnTimer=tOffTimer\n"
    "timer tZero interval=0 enabled=1 OnTimer=tZeroTimer\n"
    "menu Menu\n"
    "  item mFile caption=\"ﾌｧｲﾙ(&F)\"\n"
    "    item mOne caption=\"一(&1)\" OnClick=mOneClick\n"
    "    item mSep caption=\"-\"\n"
    "  item mRun caption=\"計測開始(&S)\" shortcut=Ctrl+S OnClick=mRunClick\n"
    "speedbutton sbBrowse at=260,8 size=23,22 glyph=NOSUCHGLYPH hint=\"参照\" OnClick=sbBrowseClick\n"
    "opendialog dlgOpen title=\"選ぶファイル\" filter=\"実行ﾌﾟﾛｸﾞﾗﾑ|*.exe\" defaultext=exe\n";

const char kDialogLayout[] =
    "form frmDlg class=TfrmToolkitDialog caption=\"確認ダイアログ\" client=200,60 centered=1 "
    "border=dialog icons=sysmenu font=\"ＭＳ Ｐゴシック\" fontheight=12 charset=shiftjis\n"
    "edit edtB at=8,8 size=100,20 tab=0\n"
    "button btnOK at=120,8 size=60,25 tab=1 caption=\"OK\" default=1 OnClick=btnOKClick\n"
    "button btnCancel at=120,34 size=60,25 tab=2 caption=\"ｷｬﾝｾﾙ\" cancel=1 OnClick=btnCancelClick\n";

const char kNoCancelLayout[] =
    "form frmNoCancel class=TfrmToolkitNoCancel caption=\"Escなし\" client=200,60 "
    "position=100,100 border=dialog icons=sysmenu\n"
    "edit edtC at=8,8 size=100,20 tab=0\n"
    "button btnOK at=120,8 size=60,25 tab=1 caption=\"OK\" default=1 OnClick=btnOKClick\n";

win32::Toolkit* g_kit = nullptr;

void PumpFor(DWORD ms) {
    DWORD end = GetTickCount() + ms;
    while (static_cast<int>(end - GetTickCount()) > 0) {
        if (!g_kit->PumpMessage()) {
            PostQuitMessage(g_kit->quitCode);
            return;
        }
    }
}

void Key(BYTE vk, bool up) { keybd_event(vk, 0, up ? KEYEVENTF_KEYUP : 0, 0); }

void CtrlS() {
    Key(VK_CONTROL, false);
    Key('S', false);
    Key('S', true);
    Key(VK_CONTROL, true);
}

void PostKey(HWND to, WPARAM vk) {
    PostMessageW(to, WM_KEYDOWN, vk, 1);
    PostMessageW(to, WM_KEYUP, vk, 0xC0000001);
}

struct DialogSearch {
    const wchar_t* title;
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND w, LPARAM lp) {
    auto* search = reinterpret_cast<DialogSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t cls[64] = L"", text[256] = L"";
    GetClassNameW(w, cls, 64);
    GetWindowTextW(w, text, 256);
    if (pid == search->pid && IsWindowVisible(w) && wcscmp(cls, L"#32770") == 0 &&
        (!search->title || wcscmp(text, search->title) == 0)) {
        search->found = w;
        return FALSE;
    }
    return TRUE;
}

// A visible system dialog (message box, file dialog) of this process.
HWND FindOwnedDialog(const wchar_t* title) {
    DialogSearch search{title, GetCurrentProcessId(), nullptr};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Text of the static control that holds a message box's message.
std::string MessageOf(HWND box) {
    std::string text;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (ClassOf(c) == "Static" && !Text(c).empty()) text = Text(c);
    }
    return text;
}

void CheckFrame(IWindow& window, Events& events) {
    HWND h = reinterpret_cast<HWND>(window.Handle());
    CheckEq(ClassOf(h), std::string("TfrmToolkitCheck"), "window class from the layout");
    CheckEq(Text(h), std::string("ツールキット確認"), "caption through the W functions");
    RECT rc{}, wr{};
    GetClientRect(h, &rc);
    GetWindowRect(h, &wr);
    CheckEq(rc.right, 300L, "client width as designed (menu bar included in the frame)");
    CheckEq(rc.bottom, 200L, "client height as designed");
    CheckEq(wr.left, 40L, "window left at position=");
    CheckEq(wr.top, 50L, "window top at position=");
    LONG style = GetWindowLongW(h, GWL_STYLE);
    Check((style & WS_MINIMIZEBOX) && !(style & WS_MAXIMIZEBOX) && !(style & WS_THICKFRAME),
          "single border: minimise box only, not sizable");
    Check(GetMenu(h) != nullptr, "a real menu bar");

    HWND edt = GetDlgItem(h, 100), go = GetDlgItem(h, 101), chk = GetDlgItem(h, 103);
    CheckEq(ClassOf(edt), std::string("Edit"), "ids follow the layout: 100 is the edit");
    CheckEq(Text(go), std::string("実行"), "101 is the button, with its caption");
    CheckEq(ClassOf(GetDlgItem(h, 107)), std::string("msctls_statusbar32"), "107 the status bar");
    Check((GetWindowLongW(go, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON, "the default button");
    CheckEq(GetNextDlgTabItem(h, chk, FALSE), edt, "tab order: tab=0 then tab=1");
    CheckEq(GetNextDlgTabItem(h, edt, FALSE), go, "tab order: then tab=2");

    HFONT font = reinterpret_cast<HFONT>(SendMessageW(edt, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    GetObjectW(font, sizeof lf, &lf);
    CheckEq(lf.lfHeight, -12L, "font 12 pixels high");
    CheckEq(static_cast<int>(lf.lfCharSet), SHIFTJIS_CHARSET, "font in the Shift-JIS set");
    HDC dc = GetDC(edt);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(edt, dc);
    CheckEq(static_cast<int>(tm.tmCharSet), SHIFTJIS_CHARSET, "the font GDI chose is Japanese");

    RECT lr{};
    GetWindowRect(GetDlgItem(h, 105), &lr);
    Check(lr.right - lr.left > 10, "a label too narrow for its text grows to show it");

    // Status bar: parts from the panel widths, texts both ways.
    HWND sb = GetDlgItem(h, 107);
    int parts[8] = {};
    int n = static_cast<int>(SendMessageW(sb, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(parts)));
    CheckEq(n, 3, "three status panels");
    Check(parts[0] == 50 && parts[1] == 110 && parts[2] == -1, "panel edges 50, 110, to the end");
    window.StatusBar("sb").SetPanelText(1, "ＡＣ駆動  99%");
    wchar_t buf[64] = L"";
    SendMessageW(sb, SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(buf));
    CheckEq(win32::Narrow(buf), std::string("ＡＣ駆動  99%"), "panel text set through SB_SETTEXTW");
    CheckEq(window.StatusBar("sb").PanelText(1), std::string("ＡＣ駆動  99%"), "panel text read back");
    bool threw = false;
    try {
        window.StatusBar("sb").SetPanelText(3, "x");
    } catch (const Exception&) {
        threw = true;
    }
    Check(threw, "a panel that does not exist is an error");

    // Menu: captions exactly as in the layout, changes shown in the menu.
    HMENU bar = GetMenu(h);
    GetMenuStringW(bar, 1, buf, 64, MF_BYPOSITION);
    CheckEq(win32::Narrow(buf), std::string("計測開始(&S)"), "menu caption without accelerator text");
    window.MenuItem("mRun").SetCaption("計測終了(&E)");
    GetMenuStringW(bar, 1, buf, 64, MF_BYPOSITION);
    CheckEq(win32::Narrow(buf), std::string("計測終了(&E)"), "caption changed in the menu bar");
    CheckEq(window.MenuItem("mRun").Caption(), std::string("計測終了(&E)"), "caption read back");
    HMENU file = GetSubMenu(bar, 0);
    Check(GetMenuItemCount(file) == 2 && (GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR),
          "drop-down with a separator for \"-\"");
    window.MenuItem("mOne").SetEnabled(false);
    Check(GetMenuState(file, 0, MF_BYPOSITION) & MF_GRAYED, "a disabled item is greyed");
    window.MenuItem("mOne").SetEnabled(true);

    // Controls.
    window.Control("edtA").SetText("日本語ﾃｷｽﾄ");
    CheckEq(Text(edt), std::string("日本語ﾃｷｽﾄ"), "edit text in UTF-16");
    CheckEq(window.Control("edtA").Text(), std::string("日本語ﾃｷｽﾄ"), "edit text read back");
    window.CheckBox("chk").SetChecked(true);
    Check(SendMessageW(chk, BM_GETCHECK, 0, 0) == BST_CHECKED, "check box ticked");
    IListBox& lst = window.ListBox("lst");
    lst.Add("http://a/");
    lst.Add("ｳｪﾌﾞ");
    CheckEq(lst.Count(), 2, "list box count");
    CheckEq(lst.Item(1), std::string("ｳｪﾌﾞ"), "list box item, unsorted order");
    lst.SetItemIndex(1);
    CheckEq(lst.ItemIndex(), 1, "list box selection");
    threw = false;
    try {
        lst.Item(2);
    } catch (const Exception&) {
        threw = true;
    }
    Check(threw, "an item past the end is an error");
    CheckEq(static_cast<int>(SendMessageW(GetDlgItem(h, 104), LB_GETITEMHEIGHT, 0, 0)), 12,
            "list item height from the layout");

    // Timers.
    events.log.clear();
    PumpFor(400);
    Check(events.Count("tFastTimer") >= 3, "an enabled timer fires");
    CheckEq(events.Count("tOffTimer"), 0, "a disabled timer does not");
    CheckEq(events.Count("tZeroTimer"), 0, "an interval of 0 never fires");
    window.Timer("tOff").SetEnabled(true);
    PumpFor(300);
    Check(events.Count("tOffTimer") >= 2, "enabling a timer starts it");
    window.Timer("tOff").SetInterval(0);
    int before = events.Count("tOffTimer");
    PumpFor(200);
    CheckEq(events.Count("tOffTimer"), before, "interval 0 stops it");
    window.Timer("tOff").SetInterval(0xFFFFFFFFu);
    PumpFor(200);
    CheckEq(events.Count("tOffTimer"), before, "a huge interval is clamped, not wrapped round");
    CheckEq(window.Timer("tOff").Interval(), 0xFFFFFFFFu, "the interval reads back as set");
    window.Timer("tOff").SetEnabled(false);
}

void CheckImage(IWindow& window) {
    HWND img = GetDlgItem(reinterpret_cast<HWND>(window.Handle()), 106);
    UpdateWindow(img);
    HDC dc = GetDC(img);
    COLORREF before = GetPixel(dc, 30, 20);
    ReleaseDC(img, dc);
    CheckEq(before, GetSysColor(COLOR_BTNFACE), "an image nobody drew on shows the button face");

    ICanvas& c = window.Image("img").Canvas();
    c.SetBrushColor(0x0000FF);
    c.SetPenColor(0x00FF00);
    c.Rectangle(0, 0, 60, 40);
    c.SetPenColor(0x000000);
    c.SetPenWidth(1);
    c.MoveTo(0, 30);
    c.LineTo(10, 30);
    CheckEq(c.PenColor(), 0u, "pen colour reads back");
    CheckEq(c.BrushColor(), 0x0000FFu, "brush colour reads back");
    PumpFor(100);
    dc = GetDC(img);
    COLORREF fill = GetPixel(dc, 30, 20), edge = GetPixel(dc, 0, 0), line = GetPixel(dc, 5, 30),
             end = GetPixel(dc, 10, 30), outside = GetPixel(dc, 59, 39);
    ReleaseDC(img, dc);
    CheckEq(fill, 0x0000FFu, "rectangle filled with the brush");
    CheckEq(edge, 0x00FF00u, "rectangle outlined with the pen");
    CheckEq(line, 0x000000u, "line drawn");
    CheckEq(end, 0x0000FFu, "the line leaves out its end pixel");
    CheckEq(outside, 0x00FF00u, "the rectangle's last pixel is its outline");
    // Covered and uncovered: the drawing comes back from the bitmap.
    InvalidateRect(img, nullptr, TRUE);
    UpdateWindow(img);
    dc = GetDC(img);
    fill = GetPixel(dc, 30, 20);
    ReleaseDC(img, dc);
    CheckEq(fill, 0x0000FFu, "the drawing stays after a repaint");
}

void CheckDispatch(IWindow& window, Events& events) {
    HWND h = reinterpret_cast<HWND>(window.Handle());
    HWND edt = GetDlgItem(h, 100), go = GetDlgItem(h, 101), off = GetDlgItem(h, 102);
    SetForegroundWindow(h);
    SetFocus(edt);
    PumpFor(100);

    events.log.clear();
    PostKey(edt, VK_RETURN);
    PumpFor(150);
    CheckEq(events.Count("btnGoClick"), 1, "Enter in an edit clicks the default button");
    PostKey(edt, VK_ESCAPE);
    PumpFor(150);
    CheckEq(static_cast<int>(events.log.size()) - events.Count("tFastTimer"), 1,
            "Esc without a cancel button does nothing");

    SendMessageW(off, BM_CLICK, 0, 0);
    PumpFor(50);
    CheckEq(events.Count("btnOffClick"), 1, "a button click dispatches its handler");
    window.Control("btnOff").SetEnabled(false);
    SendMessageW(h, WM_COMMAND, MAKEWPARAM(102, BN_CLICKED), reinterpret_cast<LPARAM>(off));
    PumpFor(50);
    CheckEq(events.Count("btnOffClick"), 1, "a disabled button does nothing");
    window.Control("btnOff").SetEnabled(true);

    // The accelerator, whatever the caption reads, through the real keyboard.
    SetForegroundWindow(h);
    SetFocus(edt);
    PumpFor(100);
    CtrlS();
    PumpFor(300);
    CheckEq(events.Count("mRunClick"), 1, "Ctrl+S runs the menu item's handler");
    window.MenuItem("mRun").SetEnabled(false);
    CtrlS();
    PumpFor(300);
    CheckEq(events.Count("mRunClick"), 1, "not while the item is disabled");
    window.MenuItem("mRun").SetEnabled(true);
    SendMessageW(h, WM_COMMAND, MAKEWPARAM(113, 0), 0);  // mOne, chosen in its drop-down
    CheckEq(events.Count("mOneClick"), 1, "a menu item runs its handler");
    window.MenuItem("mOne").SetEnabled(false);
    SendMessageW(h, WM_COMMAND, MAKEWPARAM(113, 0), 0);
    CheckEq(events.Count("mOneClick"), 1, "a disabled menu item does nothing");
    window.MenuItem("mOne").SetEnabled(true);

    // A handler's exception is shown by the default display and the program
    // carries on.
    std::string boxText, boxCaption;
    events.on["btnGoClick"] = [] { throw EConvertError("'x' は有効な整数ではありません。"); };
    events.on["tFastTimer"] = [&] {
        if (HWND box = FindOwnedDialog(nullptr)) {
            if (boxText.empty()) {
                boxText = MessageOf(box);
                boxCaption = Text(box);
            }
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    };
    SendMessageW(go, BM_CLICK, 0, 0);
    PumpFor(300);
    CheckEq(boxText, std::string("'x' は有効な整数ではありません。"), "the exception's message is shown");
    CheckEq(boxCaption, std::string("Toolkit check"), "titled with the application's title");
    Check(FindOwnedDialog(nullptr) == nullptr, "the box closed and the loop goes on");
    events.on.clear();
}

void CheckSpeedButtonAndHint(IWindow& window, Events& events) {
    HWND h = reinterpret_cast<HWND>(window.Handle());
    HWND edt = GetDlgItem(h, 100), sb = GetDlgItem(h, 116);
    CheckEq(ClassOf(sb), std::string("Button"), "the speed button is a standard button");
    Check(!(GetWindowLongW(sb, GWL_STYLE) & WS_TABSTOP), "it is not in the tab order");
    CheckEq(Text(sb), std::string("参照"), "it is named by its hint");
    SetFocus(edt);
    events.log.clear();
    SendMessageW(sb, BM_CLICK, 0, 0);
    PumpFor(50);
    CheckEq(events.Count("sbBrowseClick"), 1, "a click runs its handler");
    CheckEq(GetFocus(), edt, "and leaves the focus where it was");

    HWND tip = nullptr;
    for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (ClassOf(w) == "tooltips_class32" && GetWindow(w, GW_OWNER) == h) tip = w;
    }
    Check(tip != nullptr, "the form has a tooltip control");
    if (!tip) return;
    wchar_t text[80] = L"";
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = h;
    tool.uId = reinterpret_cast<UINT_PTR>(sb);
    tool.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
    CheckEq(win32::Narrow(text), std::string("参照"), "the hint is the button's tooltip");
    RECT r{};
    GetWindowRect(sb, &r);
    SetForegroundWindow(h);
    SetCursorPos(r.left + 5, r.top + 5);
    PumpFor(100);
    SetCursorPos(r.left + 8, r.top + 8);
    bool shown = false;
    for (int i = 0; i < 30 && !shown; ++i) {
        PumpFor(100);
        shown = IsWindowVisible(tip) != FALSE;
    }
    Check(shown, "the tooltip shows while the mouse rests on the button");
    SetCursorPos(0, 0);
    PumpFor(100);
}

void CheckModal(win32::Toolkit& kit, IWindow& main, Events& events) {
    HWND h = reinterpret_cast<HWND>(main.Handle());
    Events dlgEvents;
    auto dlg = kit.CreateForm(Layout::Parse(kDialogLayout), dlgEvents, false);
    HWND d = reinterpret_cast<HWND>(dlg->Handle());
    CheckEq(ClassOf(d), std::string("TfrmToolkitDialog"), "dialog window class");
    CheckEq(GetWindow(d, GW_OWNER), h, "a dialog belongs to the main form");
    LONG ex = GetWindowLongW(d, GWL_EXSTYLE), style = GetWindowLongW(d, GWL_STYLE);
    Check((ex & WS_EX_DLGMODALFRAME) && !(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)),
          "dialog frame without minimise and maximise");
    RECT wr{};
    GetWindowRect(d, &wr);
    int cx = (wr.left + wr.right) / 2, cy = (wr.top + wr.bottom) / 2;
    Check(std::abs(cx - GetSystemMetrics(SM_CXSCREEN) / 2) <= 1 &&
              std::abs(cy - GetSystemMetrics(SM_CYSCREEN) / 2) <= 1,
          "centered=1 centres on the screen");

    bool mainDisabled = false;
    int ticksInside = 0, mainClicksInside = 0;
    HWND focusInside = nullptr;
    int step = 0;
    dlgEvents.on["btnCancelClick"] = [&] { dlg->Close(); };
    events.log.clear();
    std::string trace;
    events.on["tFastTimer"] = [&] {
        ++ticksInside;
        if (step < 8) trace += std::to_string(step) + ":" + Text(GetFocus()) + " ";
        if (++step == 3) {
            mainDisabled = !IsWindowEnabled(h);
            focusInside = GetFocus();
            SetForegroundWindow(d);
            CtrlS();  // the main form's accelerator: not while its dialog is open
        } else if (step == 8) {
            mainClicksInside = events.Count("mRunClick");
            HWND e = GetDlgItem(d, 100);
            PostKey(e, VK_ESCAPE);
        } else if (step == 60) {
            dlg->Close();  // a safety net
        }
    };
    int result = dlg->ShowModal();
    CheckEq(result, 2, "ShowModal returns after Close()");
    Check(mainDisabled, "the owner is disabled while the dialog runs");
    Check(ticksInside >= 8, "the main form's timers fire inside the modal loop");
    CheckEq(focusInside, GetDlgItem(d, 100), "the dialog starts with its first tab stop focused");
    if (focusInside != GetDlgItem(d, 100)) {
        std::printf("        focus on %s %s in %s\n", ClassOf(focusInside).c_str(), Text(focusInside).c_str(),
                    ClassOf(GetAncestor(focusInside, GA_ROOT)).c_str());
        std::printf("        %s\n", trace.c_str());
    }
    CheckEq(mainClicksInside, 0, "the main form's shortcut waits while its dialog is open");
    CheckEq(dlgEvents.Count("btnCancelClick"), 1, "Esc clicks the cancel button");
    Check(IsWindowEnabled(h) != FALSE, "the owner is enabled again");
    Check(!IsWindowVisible(d), "the dialog is hidden");
    PumpFor(100);
    CheckEq(GetActiveWindow(), h, "activation returns to the owner");
    events.on.clear();
    dlg.reset();
    Check(!IsWindow(d), "destroying the form destroys its window");

    // Enter in a dialog without a cancel button: OK; Esc: nothing.
    Events ncEvents;
    auto nc = kit.CreateForm(Layout::Parse(kNoCancelLayout), ncEvents, false);
    HWND n = reinterpret_cast<HWND>(nc->Handle());
    step = 0;
    ncEvents.on["btnOKClick"] = [&] { nc->Close(); };
    events.on["tFastTimer"] = [&] {
        ++step;
        if (step == 3) PostKey(GetDlgItem(n, 100), VK_ESCAPE);
        if (step == 6) PostKey(GetDlgItem(n, 100), VK_RETURN);
        if (step == 40) nc->Close();  // a safety net
    };
    nc->ShowModal();
    CheckEq(ncEvents.Count("btnOKClick"), 1, "Esc left it open, Enter clicked OK");
    Check(step < 40, "closed by its OK button");
    events.on.clear();

    // The close box of a dialog ends its modal loop too.
    auto nc2 = kit.CreateForm(Layout::Parse(kNoCancelLayout), ncEvents, false);
    HWND n2 = reinterpret_cast<HWND>(nc2->Handle());
    step = 0;
    events.on["tFastTimer"] = [&] {
        if (++step == 3) PostMessageW(n2, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (step == 40) nc2->Close();
    };
    nc2->ShowModal();
    Check(step < 40, "the close box closes a dialog");
    events.on.clear();
}

void CheckOpenDialog(IWindow& window, Events& events) {
    std::string title, fileType;
    events.on["tFastTimer"] = [&] {
        if (HWND box = FindOwnedDialog(L"選ぶファイル")) {
            title = Text(box);
            PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        }
    };
    bool chosen = window.OpenDialog("dlgOpen").Execute();
    events.on.clear();
    CheckEq(title, std::string("選ぶファイル"), "file dialog with the layout's title");
    Check(!chosen, "cancelling the file dialog gives false");
    CheckEq(window.OpenDialog("dlgOpen").FileName(), std::string(), "and no file name");
}

void CheckClose(win32::Toolkit& kit, IWindow& window, Events& events) {
    HWND h = reinterpret_cast<HWND>(window.Handle());
    events.queries = 0;
    LRESULT answer = SendMessageW(h, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
    CheckEq(answer, static_cast<LRESULT>(TRUE), "the session may end");
    CheckEq(events.queries, 1, "the close query ran for the session end");
    SendMessageW(h, WM_QUERYENDSESSION, 0, 0);
    PostMessageW(h, WM_CLOSE, 0, 0);
    bool quit = false;
    DWORD end = GetTickCount() + 2000;
    while (static_cast<int>(end - GetTickCount()) > 0) {
        if (!kit.PumpMessage()) {
            quit = true;
            break;
        }
    }
    Check(quit, "closing the main form ends the message loop");
    CheckEq(events.queries, 1, "the close query ran once for the whole run");
    Check(!IsWindow(h), "the main window is gone");
}

}  // namespace

int main() {
    auto toolkit = win32::CreateToolkit(GetModuleHandleW(nullptr));
    auto& kit = static_cast<win32::Toolkit&>(*toolkit);
    g_kit = &kit;
    kit.Initialize();
    kit.SetTitle("Toolkit check");
    Layout layout = Layout::Parse(kMainLayout);
    Events events;
    auto main = kit.CreateForm(layout, events, true);
    main->Show();
    SetForegroundWindow(reinterpret_cast<HWND>(main->Handle()));
    PumpFor(200);

    CheckFrame(*main, events);
    CheckImage(*main);
    CheckDispatch(*main, events);
    CheckSpeedButtonAndHint(*main, events);
    CheckModal(kit, *main, events);
    CheckOpenDialog(*main, events);
    CheckClose(kit, *main, events);

    std::printf("%d checks, %d failed\n", g_checks, g_failed);
    return g_failed;
}
