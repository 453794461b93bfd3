/* Holds a file open without sharing, the way another program that locks a
 * file does. Started with its working folder set: opens "pelmor.log" there
 * with share mode 0, then writes "held" once it has it, and lets go when a
 * file "release" appears (or after two minutes). */
#include <windows.h>

static void Touch(const wchar_t* name) {
    HANDLE h = CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

int wmain(void) {
    HANDLE h = CreateFileW(L"pelmor.log", GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        Touch(L"hold-failed");
        return 2;
    }
    Touch(L"held");
    for (int i = 0; i < 1200; ++i) {
        if (GetFileAttributesW(L"release") != INVALID_FILE_ATTRIBUTES) break;
        Sleep(100);
    }
    CloseHandle(h);
    Touch(L"released");
    return 0;
}
