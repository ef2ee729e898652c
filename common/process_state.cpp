// The process-wide globals, the start-up that fills them, and the rule that names a file beside
// the executable.
#include "process_state.h"

#include <cwchar>

#include "held_files.h"
#include "ids.h"
#include "scoped.h"
#include "text.h"
#include "ui.h"

HINSTANCE appInstance;
HWND mainWindow;

wchar_t titleText[kStringCapacity];
wchar_t classNameText[kStringCapacity];
wchar_t shortcutFileName[kStringCapacity];
wchar_t settingsFileName[kStringCapacity];
wchar_t folderFileName[kStringCapacity];
wchar_t memoFileName[kStringCapacity];

wchar_t exeFolder[kPathCapacity];
wchar_t shortcutTarget[kPathCapacity];

namespace {

// Every shortcut names this file, whatever the running file is called.
const wchar_t kShortcutTargetName[] = L"Glimra3.exe";

}  // namespace

void startProcess(HINSTANCE instance) {
    appInstance = instance;
    LoadStringW(instance, IDS_TITLE, titleText, kStringCapacity);
    LoadStringW(instance, IDS_CLASS_NAME, classNameText, kStringCapacity);
    LoadStringW(instance, IDS_SHORTCUT_FILE, shortcutFileName, kStringCapacity);
    LoadStringW(instance, IDS_SETTINGS_FILE, settingsFileName, kStringCapacity);
    LoadStringW(instance, IDS_FOLDER_FILE, folderFileName, kStringCapacity);
    LoadStringW(instance, IDS_MEMO_FILE, memoFileName, kStringCapacity);
    exeRelativePath(shortcutTarget, kShortcutTargetName);
    exeRelativePath(exeFolder, L"");
}

bool exeRelativePath(wchar_t* buffer, const wchar_t* name) {
    buffer[0] = L'\0';
    wchar_t module[kPathCapacity] = {};
    DWORD length = GetModuleFileNameW(nullptr, module, kPathCapacity);
    // A full buffer means the path was cut, and a cut path names another file.
    if (length == 0 || length >= static_cast<DWORD>(kPathCapacity)) {
        return false;
    }
    wchar_t* lastSlash = wcsrchr(module, L'\\');
    if (!lastSlash) {
        return false;
    }
    lastSlash[1] = L'\0';
    return copyText(buffer, kPathCapacity, module) && appendText(buffer, kPathCapacity, name);
}

// A path that cannot be named opens nothing, as a file held by another program would. Another
// reader never stands in the way; a writer, or a lock on the bytes, does for as long as the wait
// for a hold lasts.
FileRead readFileBesideExe(const wchar_t* name, void* buffer, DWORD maxBytes, DWORD* bytesRead) {
    if (bytesRead) {
        *bytesRead = 0;
    }
    wchar_t path[kPathCapacity] = {};
    if (!exeRelativePath(path, name)) {
        return FileRead::Unopened;
    }
    FileRead result = FileRead::Unopened;
    DWORD read = 0;
    retryWhileHeld(path, [&] {
        ScopedFile file(
            CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            result = FileRead::Unopened;
            return false;
        }
        DWORD size = GetFileSize(file.get(), nullptr);
        if (size == INVALID_FILE_SIZE || size > maxBytes) {
            result = FileRead::TooLarge;
            return true;
        }
        SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
        if (!ReadFile(file.get(), buffer, size, &read, nullptr)) {
            result = FileRead::Failed;
            return false;
        }
        result = read == size ? FileRead::Read : FileRead::Failed;
        return true;
    });
    if (result == FileRead::TooLarge) {
        showMessage(mainWindow, L"ファイルサイズが許容限界をオーバーしています。", MB_ICONERROR);
    }
    if (result == FileRead::Read && bytesRead) {
        *bytesRead = read;
    }
    return result;
}

namespace {

// The new contents go beside the file first, so the move that puts them in place stays on one
// volume and a write cut short (a full drive) never touches the old file. The replacement's name
// is the file's own with a number no file or folder there has yet, so nothing an earlier run left
// behind (a folder, a read-only file) is ever in the way; and it is never written over.
const wchar_t kReplacementFormat[] = L"%ls.%08X.tmp";
constexpr size_t kReplacementCapacity = kPathCapacity + 16;  // ".", eight digits, ".tmp"
constexpr int kReplacementNameTries = 100;

// Numbers start from the clock and the process, so two runs seldom try the same names; a name taken
// is passed over, never opened.
ScopedFile createReplacement(const wchar_t* path, wchar_t* replacement) {
    static DWORD nextNumber = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (int tries = 0; tries < kReplacementNameTries; ++tries) {
        if (!formatText(replacement, kReplacementCapacity, kReplacementFormat, path,
                        static_cast<unsigned>(nextNumber++))) {
            return ScopedFile();
        }
        ScopedFile file(
            CreateFileW(replacement, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        // A name that is free but cannot be created (a full or read-only folder) is no better than the next.
        if (file || GetFileAttributesW(replacement) == INVALID_FILE_ATTRIBUTES) {
            return file;
        }
    }
    return ScopedFile();
}

bool writeWhole(const ScopedFile& file, const void* bytes, DWORD size) {
    DWORD written = 0;
    return WriteFile(file.get(), bytes, size, &written, nullptr) && written == size && FlushFileBuffers(file.get());
}

}  // namespace

bool writeFileBesideExe(const wchar_t* name, const void* bytes, DWORD size) {
    wchar_t path[kPathCapacity] = {};
    return exeRelativePath(path, name) && replaceFileWhole(path, bytes, size);
}

// A file another program holds past the wait cannot be replaced: the store fails and the file
// keeps its bytes. So does a read-only one, which Wine would let a move replace.
bool replaceFileWhole(const wchar_t* path, const void* bytes, DWORD size) {
    DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return false;
    }
    wchar_t replacement[kReplacementCapacity] = {};
    ScopedFile file = createReplacement(path, replacement);
    if (!file) {
        return false;
    }
    bool written = writeWhole(file, bytes, size);
    file.reset();
    if (written && retryWhileHeld(path, [&] {
            return MoveFileExW(replacement, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        })) {
        return true;
    }
    // The one that holds the old file may have opened the new one too.
    retryWhileHeld(replacement, [&] { return DeleteFileW(replacement) != FALSE; });
    return false;
}
