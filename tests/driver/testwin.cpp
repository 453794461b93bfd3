// pmtestwin: a small window with the kinds of controls Pelmor has (check
// boxes, edit, list box, status bar with panels, a menu with accelerators),
// for checking pmdrive itself. Every command it receives shows up in status
// panel 0, so a test can see that a key stroke or click arrived.
#include <windows.h>
#include <commctrl.h>

namespace {

enum : int {
    kCheckA = 101,
    kCheckB,
    kEdit,
    kList,
    kButton,
    kStatus,
    kMenuOpen = 201,
    kMenuExit,
    kMenuGo,
};

HWND g_status;

void Panel(int i, const wchar_t* text) {
    SendMessageW(g_status, SB_SETTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
}

HMENU BuildMenu() {
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, kMenuOpen, L"開く(&O)...");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, kMenuExit, L"終了(&X)");
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"ﾌｧｲﾙ(&F)");
    AppendMenuW(bar, MF_STRING, kMenuGo, L"開始(&G)");
    return bar;
}

LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: {
        auto make = [w](const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y,
                        int cx, int cy, int id) {
            return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, w,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                                   nullptr);
        };
        make(L"BUTTON", L"ｷｰｽﾄﾛｰｸ出力", BS_AUTOCHECKBOX | WS_TABSTOP, 8, 8, 113, 17, kCheckA);
        make(L"BUTTON", L"Web巡回", BS_AUTOCHECKBOX | WS_TABSTOP, 128, 8, 113, 17, kCheckB);
        make(L"EDIT", L"", WS_BORDER | ES_MULTILINE | WS_TABSTOP, 8, 32, 113, 89, kEdit);
        HWND list = make(L"LISTBOX", L"", WS_BORDER | LBS_NOTIFY, 128, 32, 233, 89, kList);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"http://localhost/a.html"));
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"日本語の項目"));
        make(L"BUTTON", L"押す", BS_PUSHBUTTON | WS_TABSTOP, 8, 128, 60, 20, kButton);
        g_status = make(STATUSCLASSNAMEW, L"", 0, 0, 0, 0, 0, kStatus);
        int edges[3] = {90, 180, 230};
        SendMessageW(g_status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
        Panel(1, L"AC 100%");
        return 0;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case kMenuOpen: Panel(0, L"open"); break;
        case kMenuGo: Panel(0, L"go"); break;
        case kMenuExit: DestroyWindow(w); break;
        case kButton: Panel(0, L"button"); break;
        case kCheckA: Panel(0, L"check"); break;
        }
        return 0;
    case WM_SIZE:
        SendMessageW(g_status, WM_SIZE, 0, 0);
        return 0;
    case WM_QUERYENDSESSION:
        Panel(0, L"query");
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(7);
        return 0;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, LPWSTR, int show) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"PmTestWin";
    RegisterClassW(&wc);
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r{0, 0, 373, 246};
    AdjustWindowRect(&r, style, TRUE);
    HWND w = CreateWindowExW(0, L"PmTestWin", L"テスト窓", style, 306, 99, r.right - r.left,
                             r.bottom - r.top, nullptr, BuildMenu(), inst, nullptr);
    ShowWindow(w, show);
    ACCEL accel[] = {{FCONTROL | FVIRTKEY, 'G', kMenuGo}};
    HACCEL table = CreateAcceleratorTableW(accel, 1);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(w, table, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return static_cast<int>(m.wParam);
}
