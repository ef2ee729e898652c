// A DLL that leaves a mark when a process loads it: "<its own path>.ran". The safety scenario puts
// copies beside Glimra3.exe under the names of DLLs the program could be made to load from there.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t mark[MAX_PATH + 8] = {};
        const DWORD length = GetModuleFileNameW(module, mark, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            lstrcatW(mark, L".ran");
            CloseHandle(CreateFileW(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        }
    }
    return TRUE;
}
