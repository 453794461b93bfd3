// The text layer: each call made with the W function on the NT family and
// with the A function and code page 932 bytes on Windows 95/98/Me.
#include "platform/win32/Text.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <vector>

#include "platform/Codepage.h"

namespace pelmor::win32::text {

namespace {

// The longest whole-character prefix of a face name that fits LOGFONT.
std::wstring WideFace(std::string_view face) {
    std::wstring w = Widen(face);
    if (w.size() >= LF_FACESIZE) w.resize(LF_FACESIZE - 1);
    return w;
}
std::string AnsiFace(std::string_view face) {
    std::string a = Utf8ToCp932(face);
    a.resize(Cp932Prefix(a, LF_FACESIZE - 1));
    return a;
}

template <class LogFont, class TextMetric>
int CALLBACK Found(const LogFont*, const TextMetric*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// The common dialogs' library brings several more with it when it loads
// (megabytes of memory for the whole run); it is loaded only when the file
// dialog is first opened.
FARPROC OpenFileNameFunction() {
    static FARPROC fn = [] {
        HMODULE lib = LoadLibraryA("comdlg32.dll");
        return lib ? GetProcAddress(lib, Wide() ? "GetOpenFileNameW" : "GetOpenFileNameA")
                   : nullptr;
    }();
    return fn;
}

constexpr DWORD kFileBuffer = 32768;

}  // namespace

ATOM RegisterWindowClass(const WNDCLASSEXA& wc, std::string_view name) {
    if (Wide()) {
        std::wstring n = Widen(name);
        WNDCLASSEXW w{};
        w.cbSize = sizeof w;
        w.style = wc.style;
        w.lpfnWndProc = wc.lpfnWndProc;
        w.cbClsExtra = wc.cbClsExtra;
        w.cbWndExtra = wc.cbWndExtra;
        w.hInstance = wc.hInstance;
        w.hIcon = wc.hIcon;
        w.hCursor = wc.hCursor;
        w.hbrBackground = wc.hbrBackground;
        w.lpszClassName = n.c_str();
        w.hIconSm = wc.hIconSm;
        return RegisterClassExW(&w);
    }
    std::string n = Utf8ToCp932(name);
    WNDCLASSEXA a = wc;
    a.cbSize = sizeof a;
    a.lpszMenuName = nullptr;
    a.lpszClassName = n.c_str();
    return RegisterClassExA(&a);
}

HWND NewWindow(DWORD exStyle, std::string_view className, std::string_view caption,
                  DWORD style, int x, int y, int w, int h, HWND parent, HMENU menu,
                  HINSTANCE instance, void* param) {
    if (Wide()) {
        return CreateWindowExW(exStyle, Widen(className).c_str(), Widen(caption).c_str(), style, x,
                               y, w, h, parent, menu, instance, param);
    }
    return CreateWindowExA(exStyle, Utf8ToCp932(className).c_str(), Utf8ToCp932(caption).c_str(), style, x, y, w,
                           h, parent, menu, instance, param);
}

LRESULT DefProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Wide() ? DefWindowProcW(hwnd, msg, wp, lp) : DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CallProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Wide() ? CallWindowProcW(proc, hwnd, msg, wp, lp)
                  : CallWindowProcA(proc, hwnd, msg, wp, lp);
}

LONG_PTR GetLong(HWND hwnd, int index) {
    return Wide() ? GetWindowLongPtrW(hwnd, index) : GetWindowLongPtrA(hwnd, index);
}

LONG_PTR SetLong(HWND hwnd, int index, LONG_PTR value) {
    return Wide() ? SetWindowLongPtrW(hwnd, index, value) : SetWindowLongPtrA(hwnd, index, value);
}

WNDPROC Subclass(HWND hwnd, WNDPROC proc) {
    return reinterpret_cast<WNDPROC>(SetLong(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

// A child's parent is its parent window; a top-level window's is its owner,
// so the walk stops at the first window that is not a child.
HWND TopLevel(HWND hwnd) {
    while (hwnd && (GetLong(hwnd, GWL_STYLE) & WS_CHILD)) {
        HWND parent = GetParent(hwnd);
        if (!parent) break;
        hwnd = parent;
    }
    return hwnd;
}

LRESULT Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Wide() ? SendMessageW(hwnd, msg, wp, lp) : SendMessageA(hwnd, msg, wp, lp);
}

BOOL Post(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Wide() ? PostMessageW(hwnd, msg, wp, lp) : PostMessageA(hwnd, msg, wp, lp);
}

BOOL GetMsg(MSG* msg) {
    return Wide() ? GetMessageW(msg, nullptr, 0, 0) : GetMessageA(msg, nullptr, 0, 0);
}

BOOL DialogMessage(HWND dialog, MSG* msg) {
    return Wide() ? IsDialogMessageW(dialog, msg) : IsDialogMessageA(dialog, msg);
}

int TranslateAccel(HWND hwnd, HACCEL accel, MSG* msg) {
    return Wide() ? TranslateAcceleratorW(hwnd, accel, msg)
                  : TranslateAcceleratorA(hwnd, accel, msg);
}

HACCEL CreateAccel(ACCEL* entries, int count) {
    return Wide() ? CreateAcceleratorTableW(entries, count)
                  : CreateAcceleratorTableA(entries, count);
}

LRESULT SendText(HWND hwnd, UINT msgA, UINT msgW, WPARAM wp, std::string_view text) {
    if (Wide()) {
        std::wstring w = Widen(text);
        return SendMessageW(hwnd, msgW, wp, reinterpret_cast<LPARAM>(w.c_str()));
    }
    std::string a = Utf8ToCp932(text);
    return SendMessageA(hwnd, msgA, wp, reinterpret_cast<LPARAM>(a.c_str()));
}

std::string WindowText(HWND hwnd) {
    if (!hwnd) return std::string();
    int n = Wide() ? GetWindowTextLengthW(hwnd) : GetWindowTextLengthA(hwnd);
    if (n <= 0) return std::string();
    if (Wide()) {
        std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
        n = GetWindowTextW(hwnd, w.data(), n + 1);
        w.resize(static_cast<std::size_t>(std::max(n, 0)));
        return Narrow(w);
    }
    std::string a(static_cast<std::size_t>(n) + 1, '\0');
    n = GetWindowTextA(hwnd, a.data(), n + 1);
    a.resize(static_cast<std::size_t>(std::max(n, 0)));
    return Cp932ToUtf8(a);
}

void SetText(HWND hwnd, std::string_view text) {
    if (Wide()) {
        SetWindowTextW(hwnd, Widen(text).c_str());
    } else {
        SetWindowTextA(hwnd, Utf8ToCp932(text).c_str());
    }
}

BOOL AppendMenuItem(HMENU menu, UINT flags, UINT_PTR id, std::string_view caption) {
    if (flags & MF_SEPARATOR) {
        return Wide() ? AppendMenuW(menu, flags, id, nullptr) : AppendMenuA(menu, flags, id, nullptr);
    }
    if (Wide()) return AppendMenuW(menu, flags, id, Widen(caption).c_str());
    return AppendMenuA(menu, flags, id, Utf8ToCp932(caption).c_str());
}

std::string MenuText(HMENU menu, UINT position) {
    if (Wide()) {
        int n = GetMenuStringW(menu, position, nullptr, 0, MF_BYPOSITION);
        if (n <= 0) return std::string();
        std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
        n = GetMenuStringW(menu, position, w.data(), n + 1, MF_BYPOSITION);
        w.resize(static_cast<std::size_t>(std::max(n, 0)));
        return Narrow(w);
    }
    int n = GetMenuStringA(menu, position, nullptr, 0, MF_BYPOSITION);
    if (n <= 0) return std::string();
    std::string a(static_cast<std::size_t>(n) + 1, '\0');
    n = GetMenuStringA(menu, position, a.data(), n + 1, MF_BYPOSITION);
    a.resize(static_cast<std::size_t>(std::max(n, 0)));
    return Cp932ToUtf8(a);
}

// Windows 2000 and later take the string alone (MIIM_STRING). The systems
// before them know the record without its 2000 fields (a larger size is
// refused) and set a string as the item's type.
bool SetMenuText(HMENU menu, UINT position, std::string_view caption) {
    constexpr UINT kOldSize = offsetof(MENUITEMINFOW, hbmpItem);
    static_assert(offsetof(MENUITEMINFOA, hbmpItem) == kOldSize);
    if (Wide()) {
        std::wstring w = Widen(caption);
        MENUITEMINFOW info{};
        info.cbSize = Nt5() ? sizeof info : kOldSize;
        info.fMask = Nt5() ? MIIM_STRING : MIIM_TYPE;
        info.fType = MFT_STRING;
        info.dwTypeData = w.data();
        return SetMenuItemInfoW(menu, position, TRUE, &info) != FALSE;
    }
    std::string a = Utf8ToCp932(caption);
    MENUITEMINFOA info{};
    info.cbSize = kOldSize;
    info.fMask = MIIM_TYPE;
    info.fType = MFT_STRING;
    info.dwTypeData = a.data();
    return SetMenuItemInfoA(menu, position, TRUE, &info) != FALSE;
}

int Box(HWND owner, std::string_view text, std::string_view caption, UINT type) {
    if (Wide()) return MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), type);
    return MessageBoxA(owner, Utf8ToCp932(text).c_str(), Utf8ToCp932(caption).c_str(), type);
}

// The record's second size is understood by the common controls from 4.70
// (Internet Explorer 3) on.
void AddTool(HWND tooltip, HWND owner, HWND tool, std::string_view text) {
    if (Wide()) {
        std::wstring w = Widen(text);
        TTTOOLINFOW info{};
        info.cbSize = TTTOOLINFOW_V2_SIZE;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = owner;
        info.uId = reinterpret_cast<UINT_PTR>(tool);
        info.lpszText = w.data();
        SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
        return;
    }
    std::string a = Utf8ToCp932(text);
    TTTOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = a.data();
    SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

HANDLE LoadImageResource(HINSTANCE instance, std::string_view name, UINT type, int cx, int cy,
                 UINT flags) {
    if (Wide()) return LoadImageW(instance, Widen(name).c_str(), type, cx, cy, flags);
    return LoadImageA(instance, Utf8ToCp932(name).c_str(), type, cx, cy, flags);
}

HRSRC FindResourceData(HINSTANCE instance, std::string_view name, int type) {
    if (Wide()) return FindResourceW(instance, Widen(name).c_str(), MAKEINTRESOURCEW(type));
    return FindResourceA(instance, Utf8ToCp932(name).c_str(), MAKEINTRESOURCEA(type));
}

HCURSOR SystemCursor(int id) {
    return Wide() ? LoadCursorW(nullptr, MAKEINTRESOURCEW(id)) : LoadCursorA(nullptr, MAKEINTRESOURCEA(id));
}

HICON SystemIcon(int id) {
    return Wide() ? LoadIconW(nullptr, MAKEINTRESOURCEW(id)) : LoadIconA(nullptr, MAKEINTRESOURCEA(id));
}

int ObjectInfo(HGDIOBJ object, int size, void* buffer) {
    return Wide() ? GetObjectW(object, size, buffer) : GetObjectA(object, size, buffer);
}

// LOGFONTA and LOGFONTW differ only in the face name, their last field.
HFONT NewFont(const LOGFONTA& lf, std::string_view face) {
    static_assert(offsetof(LOGFONTA, lfFaceName) == offsetof(LOGFONTW, lfFaceName));
    if (Wide()) {
        LOGFONTW w{};
        std::memcpy(&w, &lf, offsetof(LOGFONTA, lfFaceName));
        std::wstring name = WideFace(face);
        std::copy(name.begin(), name.end(), w.lfFaceName);
        return CreateFontIndirectW(&w);
    }
    LOGFONTA a{};
    std::memcpy(&a, &lf, offsetof(LOGFONTA, lfFaceName));
    std::string name = AnsiFace(face);
    std::copy(name.begin(), name.end(), a.lfFaceName);
    return CreateFontIndirectA(&a);
}

bool FaceInstalled(std::string_view face, BYTE charset) {
    bool found = false;
    HDC dc = GetDC(nullptr);
    if (Wide()) {
        std::wstring w = Widen(face);
        if (!w.empty() && w.size() < LF_FACESIZE) {
            LOGFONTW lf{};
            lf.lfCharSet = charset;
            std::copy(w.begin(), w.end(), lf.lfFaceName);
            EnumFontFamiliesExW(dc, &lf, Found<LOGFONTW, TEXTMETRICW>, reinterpret_cast<LPARAM>(&found), 0);
        }
    } else {
        std::string a = Utf8ToCp932(face);
        if (!a.empty() && a.size() < LF_FACESIZE) {
            LOGFONTA lf{};
            lf.lfCharSet = charset;
            std::copy(a.begin(), a.end(), lf.lfFaceName);
            EnumFontFamiliesExA(dc, &lf, Found<LOGFONTA, TEXTMETRICA>, reinterpret_cast<LPARAM>(&found), 0);
        }
    }
    ReleaseDC(nullptr, dc);
    return found;
}

SIZE TextExtent(HDC dc, std::string_view text) {
    SIZE extent{};
    if (Wide()) {
        std::wstring w = Widen(text);
        GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &extent);
    } else {
        std::string a = Utf8ToCp932(text);
        GetTextExtentPoint32A(dc, a.c_str(), static_cast<int>(a.size()), &extent);
    }
    return extent;
}

// Windows 2000 and later take the record with its 2000 fields (and show the
// places bar for it); the systems before them refuse that size.
namespace {

// The dialog through the record of either character width; the caller has
// set the record's size, owner and flags.
template <class Ofn, class Ch>
bool ShowFileDialog(FARPROC fn, Ofn ofn, const std::basic_string<Ch>& filter,
                    const std::basic_string<Ch>& title, const std::basic_string<Ch>& ext,
                    std::basic_string<Ch>& file) {
    std::vector<Ch> buffer(kFileBuffer, Ch());
    std::copy_n(file.begin(), std::min<std::size_t>(file.size(), kFileBuffer - 1), buffer.begin());
    ofn.lpstrFilter = filter.size() > 2 ? filter.c_str() : nullptr;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = kFileBuffer;
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    if (!reinterpret_cast<BOOL(WINAPI*)(Ofn*)>(reinterpret_cast<void*>(fn))(&ofn)) return false;
    file = buffer.data();
    return true;
}

}  // namespace

bool OpenFileName(HWND owner, std::string_view filter, std::string_view title,
                  std::string_view defaultExt, DWORD flags, std::string& file) {
    FARPROC fn = OpenFileNameFunction();
    if (!fn) return false;
    if (Wide()) {
        OPENFILENAMEW ofn{};
        ofn.lStructSize = Nt5() ? sizeof ofn : OPENFILENAME_SIZE_VERSION_400W;
        ofn.hwndOwner = owner;
        ofn.Flags = flags;
        std::wstring name = Widen(file);
        if (!ShowFileDialog(fn, ofn, Widen(filter), Widen(title), Widen(defaultExt), name))
            return false;
        file = Narrow(name);
        return true;
    }
    OPENFILENAMEA ofn{};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = owner;
    ofn.Flags = flags;
    std::string name = Utf8ToCp932(file);
    if (!ShowFileDialog(fn, ofn, Utf8ToCp932(filter), Utf8ToCp932(title), Utf8ToCp932(defaultExt), name))
        return false;
    file = Cp932ToUtf8(name);
    return true;
}

}  // namespace pelmor::win32::text
