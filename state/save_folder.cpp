// STUB
#include "state/state.h"
#include "app/app.h"
#include "common/ui.h"
#include <cwchar>
wchar_t saveFolder[kPathCapacity];
bool exeRelativePath(wchar_t* buffer, const wchar_t* name) {
    wchar_t module[kPathCapacity] = {};
    GetModuleFileNameW(nullptr, module, kPathCapacity);
    wchar_t* slash = wcsrchr(module, L'\\');
    if (slash) slash[1] = 0;
    copyText(buffer, kPathCapacity, module);
    return appendText(buffer, kPathCapacity, name);
}
int loadSaveFolder() { return 1; }
int storeSaveFolder() { return 1; }
void markSaveFolderChosen() {}
