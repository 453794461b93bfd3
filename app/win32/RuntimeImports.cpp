// What the toolchain's own runtime would import beyond Windows 95.
//
// The static GCC and MinGW runtimes call four kernel32 functions that
// Windows 95 has only as failing stubs (the W ones) or may lack: the
// threading support of libgcc (gthr-win32.o, and unwind-dw2-fde.o and
// emutls.o through it) creates its semaphores with CreateSemaphoreW; the
// MinGW C runtime's extras look up msvcrt.dll with GetModuleHandleW and
// LoadLibraryW (rand_s.o, under libstdc++'s random.o, and lc_locale_func.o)
// and test lead bytes with IsDBCSLeadByteEx (mbrtowc.o, under the printf
// family of libmingwex). Each import slot is filled here, at link time, with
// a function of the same contract made of calls that every 32-bit Windows
// has, so pelmor.exe imports none of the four. The names these runtimes pass
// are ASCII ("msvcrt.dll") or none.
#include <windows.h>

#ifndef _WIN64

namespace {

// A wide name as the ANSI code page has it; null stays null.
struct AnsiName {
    explicit AnsiName(LPCWSTR wide) {
        if (!wide) return;
        if (WideCharToMultiByte(CP_ACP, 0, wide, -1, buffer, sizeof buffer, nullptr, nullptr) > 0)
            name = buffer;
        else
            name = "";  // too long for any name these runtimes use: found nowhere
    }
    LPCSTR name = nullptr;
    char buffer[MAX_PATH];
};

HANDLE WINAPI CreateSemaphoreAnsi(LPSECURITY_ATTRIBUTES security, LONG initial, LONG maximum,
                                  LPCWSTR name) {
    return CreateSemaphoreA(security, initial, maximum, AnsiName(name).name);
}

HMODULE WINAPI GetModuleHandleAnsi(LPCWSTR name) { return GetModuleHandleA(AnsiName(name).name); }

HMODULE WINAPI LoadLibraryAnsi(LPCWSTR name) { return LoadLibraryA(AnsiName(name).name); }

// The lead-byte ranges of the code page, as GetCPInfo gives them.
BOOL WINAPI IsLeadByteOf(UINT codePage, BYTE byte) {
    CPINFO info{};
    if (!GetCPInfo(codePage, &info)) return FALSE;
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i]; i += 2) {
        if (byte >= info.LeadByte[i] && byte <= info.LeadByte[i + 1]) return TRUE;
    }
    return FALSE;
}

}  // namespace

extern "C" {
// The import slots the runtimes' objects refer to (i686 names).
void* pelmorCreateSemaphoreW __asm__("__imp__CreateSemaphoreW@16") =
    reinterpret_cast<void*>(&CreateSemaphoreAnsi);
void* pelmorGetModuleHandleW __asm__("__imp__GetModuleHandleW@4") =
    reinterpret_cast<void*>(&GetModuleHandleAnsi);
void* pelmorLoadLibraryW __asm__("__imp__LoadLibraryW@4") = reinterpret_cast<void*>(&LoadLibraryAnsi);
void* pelmorIsDBCSLeadByteEx __asm__("__imp__IsDBCSLeadByteEx@8") =
    reinterpret_cast<void*>(&IsLeadByteOf);
}

#endif
