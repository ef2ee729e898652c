// A DLL that leaves a mark when a process loads it: "<its own path>.ran". The safety scenario puts
// copies beside Glimra3.exe under the names of DLLs the program could be made to load from there.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*) {
    wchar_t mark[MAX_PATH + 8] = {};
    const DWORD length = reason == DLL_PROCESS_ATTACH ? GetModuleFileNameW(module, mark, MAX_PATH) : 0;
    if (length > 0 && length < MAX_PATH) {
        CloseHandle(CreateFileW(lstrcatW(mark, L".ran"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    return TRUE;
}
