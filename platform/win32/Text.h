// Text between the program and the window system.
//
// The program's texts are UTF-8. The NT family (NT 4, 2000, XP and later)
// takes them as UTF-16 through the wide (W) functions. Windows 95, 98 and Me
// export the W functions only as stubs that fail, so there the ANSI (A)
// functions take them as code page 932 bytes, the system's own code page on a
// Japanese 9x. This layer asks the system once which family it is and makes
// the matching call; nothing outside it picks W or A. It also carries the
// calls whose A and W forms differ in how a window treats its messages (the
// message loop, window procedures, subclassing), so that every window of the
// program is a Unicode window on NT and an ANSI window on 9x.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace pelmor::win32 {

// UTF-8 <-> UTF-16, done here rather than by the system: Windows 95 converts
// no UTF-8. Malformed input becomes U+FFFD; embedded zeros are kept, so
// double-zero lists convert as a whole.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

namespace text {

namespace detail {
struct Family {
    bool wide;
    bool nt5;
};
// GetVersion's high bit is set on 95/98/Me; its low byte is the major version.
inline const Family& System() {
    static const Family family = [] {
        const DWORD v = GetVersion();
        const bool nt = (v & 0x80000000u) == 0;
        return Family{nt, nt && LOBYTE(LOWORD(v)) >= 5};
    }();
    return family;
}
}  // namespace detail

// True on the NT family: the W functions work.
inline bool Wide() { return detail::System().wide; }
// True on NT 5.0 (2000) and later, whose structures have grown fields that
// older systems refuse.
inline bool Nt5() { return detail::System().nt5; }

// --- Window classes, windows and window procedures ---------------------------
// The class's name is taken from name; lpszClassName of wc is not read and
// lpszMenuName must be null.
ATOM RegisterWindowClass(const WNDCLASSEXA& wc, std::string_view name);
HWND NewWindow(DWORD exStyle, std::string_view className, std::string_view caption,
                  DWORD style, int x, int y, int w, int h, HWND parent, HMENU menu,
                  HINSTANCE instance, void* param);
LRESULT DefProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CallProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LONG_PTR GetLong(HWND hwnd, int index);
LONG_PTR SetLong(HWND hwnd, int index, LONG_PTR value);
// Puts proc in front of the window's procedure; gives the one it replaced.
WNDPROC Subclass(HWND hwnd, WNDPROC proc);
// The top-level window that hwnd is, or is a child of.
HWND TopLevel(HWND hwnd);

// --- Messages ----------------------------------------------------------------
LRESULT Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
BOOL Post(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
// SendMessageTimeout; false when the window did not answer in time.
// (These three are defined here, so that the DDE client builds on its own.)
inline bool SendTimeout(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT flags, UINT ms,
                        DWORD_PTR* result) {
    return (Wide() ? SendMessageTimeoutW(hwnd, msg, wp, lp, flags, ms, result)
                   : SendMessageTimeoutA(hwnd, msg, wp, lp, flags, ms, result)) != 0;
}
// The first of the thread's messages numbered first..last (0, 0: any).
inline BOOL PeekMsg(MSG* msg, UINT remove, UINT first = 0, UINT last = 0) {
    return Wide() ? PeekMessageW(msg, nullptr, first, last, remove)
                  : PeekMessageA(msg, nullptr, first, last, remove);
}
inline LRESULT Dispatch(const MSG* msg) {
    return Wide() ? DispatchMessageW(msg) : DispatchMessageA(msg);
}
BOOL GetMsg(MSG* msg);
BOOL DialogMessage(HWND dialog, MSG* msg);
int TranslateAccel(HWND hwnd, HACCEL accel, MSG* msg);
HACCEL CreateAccel(ACCEL* entries, int count);

// A message that carries text in its lParam: msgA with code page 932 bytes
// on 9x, msgW with UTF-16 on NT (the same number for the standard controls,
// two numbers for the common controls).
LRESULT SendText(HWND hwnd, UINT msgA, UINT msgW, WPARAM wp, std::string_view text);

std::string WindowText(HWND hwnd);
void SetText(HWND hwnd, std::string_view text);

// --- Menus, boxes, tooltips --------------------------------------------------
BOOL AppendMenuItem(HMENU menu, UINT flags, UINT_PTR id, std::string_view caption);
std::string MenuText(HMENU menu, UINT position);
bool SetMenuText(HMENU menu, UINT position, std::string_view caption);
int Box(HWND owner, std::string_view text, std::string_view caption, UINT type);
// Gives a child window of owner its tooltip text (the tool is the child).
void AddTool(HWND tooltip, HWND owner, HWND tool, std::string_view text);

// --- Resources and fonts -----------------------------------------------------
HANDLE LoadImageResource(HINSTANCE instance, std::string_view name, UINT type, int cx, int cy,
                 UINT flags);
HRSRC FindResourceData(HINSTANCE instance, std::string_view name, int type);
HCURSOR SystemCursor(int id);
HICON SystemIcon(int id);
int ObjectInfo(HGDIOBJ object, int size, void* buffer);
// The face name is taken from face; lfFaceName of lf is not read.
HFONT NewFont(const LOGFONTA& lf, std::string_view face);
bool FaceInstalled(std::string_view face, BYTE charset);
SIZE TextExtent(HDC dc, std::string_view text);

// --- The file-open dialog ----------------------------------------------------
// filter: name and pattern pairs separated by zeros, ending in two zeros.
// file: the initial name, and the chosen one. False when cancelled or when
// the common dialogs are missing.
bool OpenFileName(HWND owner, std::string_view filter, std::string_view title,
                  std::string_view defaultExt, DWORD flags, std::string& file);

}  // namespace text
}  // namespace pelmor::win32
